#!/bin/sh
# The command-line program's sweep reaching a controller behind a router, where no
# broadcast reaches it; everything inside network namespaces made here:
#   this side (A): 10.77.3.1/24, route to 10.88.0.0/24 through the router;
#   router (R): 10.77.3.254/24 towards A, 10.88.0.1/24 towards B, forwarding;
#   controller side (B): 10.88.0.5/24 with the simulator.
# Without --range the listing finds nothing; with --range 10.88.0.0/24 it finds the
# controller. Wine runs in A with a prefix and wineserver of its own.
#   routed-sweep-test.sh NRSIM CMD-EXE SCRIPTS-DIR WORK-DIR
set -eu
if [ "${1:-}" != "--inside" ]; then
    exec unshare --net sh "$0" --inside "$@"
fi
shift
nrsim=$1 cmd_exe=$2 scripts=$3 work=$4

ip link set lo up
rm -rf "$work"
mkdir -p "$work"
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# A namespace held open by a sleeping process of its own; prints that process's pid.
new_namespace() {
    unshare --net sleep 600 </dev/null >/dev/null 2>&1 &
    pid=$!
    while [ "$(readlink /proc/$pid/ns/net)" = "$(readlink /proc/self/ns/net)" ]; do sleep 0.01; done
    echo $pid
}
router=$(new_namespace)
controller=$(new_namespace)
pids="$router $controller"
in_r() { nsenter --net="/proc/$router/ns/net" "$@"; }
in_b() { nsenter --net="/proc/$controller/ns/net" "$@"; }

ip link add veth-a type veth peer name veth-ra netns "$router"
ip addr add 10.77.3.1/24 brd + dev veth-a
ip link set veth-a up
ip route add 10.88.0.0/24 via 10.77.3.254
in_r ip link add veth-rb type veth peer name veth-b netns "$controller"
in_r ip addr add 10.77.3.254/24 brd + dev veth-ra
in_r ip addr add 10.88.0.1/24 brd + dev veth-rb
in_r ip link set veth-ra up
in_r ip link set veth-rb up
in_r sysctl -q -w net.ipv4.ip_forward=1
in_b ip link set lo up
in_b ip addr add 10.88.0.5/24 brd + dev veth-b
in_b ip link set veth-b up
in_b ip route add default via 10.88.0.1

nsenter --net="/proc/$controller/ns/net" "$nrsim" --idle-exit 120 --node 10.88.0.5 routed-controller \
    >"$work/nrsim.log" 2>&1 </dev/null &
pids="$pids $!"
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

status=0
"$scripts/winerun" "$cmd_exe" list --format csv --time 2 </dev/null >"$work/broadcast.csv"
if grep -q routed-controller "$work/broadcast.csv"; then
    echo "FAIL: a broadcast reached the controller behind the router:" >&2
    cat "$work/broadcast.csv" >&2
    status=1
fi
"$scripts/winerun" "$cmd_exe" list --format csv --range 10.88.0.0/24 </dev/null >"$work/sweep.csv"
if ! grep -q '^routed-controller,10\.88\.0\.5' "$work/sweep.csv"; then
    echo "FAIL: the sweep of 10.88.0.0/24 did not find the controller at 10.88.0.5:" >&2
    cat "$work/sweep.csv" >&2
    status=1
fi
[ $status -ne 0 ] || echo "1 passed, 0 failed"
exit $status
