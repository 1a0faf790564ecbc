#!/bin/sh
# The engine's classful broadcast reaching a controller on a subnet, over a veth pair,
# entirely inside network namespaces made here (nothing can leave them):
#   this side (namespace A): 10.77.3.1/24 on veth-tool, plus an unreachable 10.77.9.0/24;
#   controller side (namespace B): 10.77.3.20/24 on veth-ctl, with the simulator.
# The engine broadcasts to 10.255.255.255, which has no route here; only the interface's
# subnet broadcast 10.77.3.255 reaches the controller. Wine runs in A with a prefix and
# wineserver of its own, so that its sockets live in A.
#   subnet-broadcast-test.sh NRSIM ENGINE-TESTS-EXE SCRIPTS-DIR WORK-DIR
set -eu
if [ "${1:-}" != "--inside" ]; then
    exec unshare --net sh "$0" --inside "$@"
fi
shift
nrsim=$1 tests_exe=$2 scripts=$3 work=$4

ip link set lo up
rm -rf "$work"
mkdir -p "$work"
controller_ns_pid=""
simulator_pid=""
cleanup() {
    [ -z "$simulator_pid" ] || kill "$simulator_pid" 2>/dev/null || true
    [ -z "$controller_ns_pid" ] || kill "$controller_ns_pid" 2>/dev/null || true
    WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# Namespace B is held open by a sleeping process of its own.
unshare --net sleep 600 &
controller_ns_pid=$!
while [ "$(readlink /proc/$controller_ns_pid/ns/net)" = "$(readlink /proc/self/ns/net)" ]; do sleep 0.01; done
in_b() { nsenter --net="/proc/$controller_ns_pid/ns/net" "$@"; }

ip link add veth-tool type veth peer name veth-ctl netns "$controller_ns_pid"
ip addr add 10.77.3.1/24 brd + dev veth-tool
ip link set veth-tool up
ip route add unreachable 10.77.9.0/24
in_b ip link set lo up
in_b ip addr add 10.77.3.20/24 brd + dev veth-ctl
in_b ip link set veth-ctl up

# Started directly (nsenter execs it), so that $! is the simulator itself.
nsenter --net="/proc/$controller_ns_pid/ns/net" "$nrsim" --idle-exit 120 --node 10.77.3.20 subnet-controller \
    >"$work/nrsim.log" 2>&1 </dev/null &
simulator_pid=$!
tries=0
until grep -q "answering on" "$work/nrsim.log"; do
    tries=$((tries + 1))
    [ $tries -le 100 ] || { cat "$work/nrsim.log" >&2; exit 1; }
    sleep 0.05
done

# A prefix of our own: hard links to the shared one, with private registry files.
: "${WINEPREFIX:=${HOME}/.cache/changecontroller/wineprefix}"
"$scripts/winerun" --prepare
cp -al "$WINEPREFIX" "$work/prefix" 2>/dev/null || cp -a "$WINEPREFIX" "$work/prefix"
for hive in "$work"/prefix/*.reg; do
    cp --remove-destination "$WINEPREFIX/$(basename "$hive")" "$hive"
done
rm -f "$work/prefix/wineserver"
export WINEPREFIX="$work/prefix"
wineserver -p </dev/null >/dev/null 2>&1

NRTEST_SUBNET_CONTROLLER=10.77.3.20 NRTEST_SUBNET_NAME=subnet-controller \
NRTEST_CLASSFUL_BROADCAST=10.255.255.255 NRTEST_UNREACHABLE=10.77.9.9 \
    "$scripts/winerun" "$tests_exe" --gtest_filter='SubnetBroadcast.*' </dev/null
