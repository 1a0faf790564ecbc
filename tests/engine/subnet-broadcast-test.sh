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
nrsim=$1 tests_exe=$2 scripts=$3 work=$4

# shellcheck source=scripts/netns-lib.sh
. "$scripts/netns-lib.sh"
begin_work "$0" "$@"

controller=$(new_namespace)
in_b() { in_namespace "$controller" "$@"; }

ip link add veth-tool type veth peer name veth-ctl netns "$controller"
ip addr add 10.77.3.1/24 brd + dev veth-tool
ip link set veth-tool up
ip route add unreachable 10.77.9.0/24
in_b ip addr add 10.77.3.20/24 brd + dev veth-ctl
in_b ip link set veth-ctl up

start_simulator_in "$controller" "$nrsim" --idle-exit 120 --node 10.77.3.20 subnet-controller
private_wine_prefix

NRTEST_SUBNET_CONTROLLER=10.77.3.20 NRTEST_SUBNET_NAME=subnet-controller \
NRTEST_CLASSFUL_BROADCAST=10.255.255.255 NRTEST_UNREACHABLE=10.77.9.9 \
    "$scripts/winerun" "$tests_exe" --gtest_filter='SubnetBroadcast.*' </dev/null
