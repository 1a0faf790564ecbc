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
nrsim=$1 cmd_exe=$2 scripts=$3 work=$4

# shellcheck source=scripts/netns-lib.sh
. "$scripts/netns-lib.sh"
begin_work "$0" "$@"

router=$(new_namespace)
controller=$(new_namespace)
in_r() { in_namespace "$router" "$@"; }
in_b() { in_namespace "$controller" "$@"; }

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
in_b ip addr add 10.88.0.5/24 brd + dev veth-b
in_b ip link set veth-b up
in_b ip route add default via 10.88.0.1

start_simulator_in "$controller" "$nrsim" --idle-exit 120 --node 10.88.0.5 routed-controller
private_wine_prefix

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
