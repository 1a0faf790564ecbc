#!/bin/sh
# The network guard of winerun and of the simulator fixture, in namespaces made here:
# it lets a program run only where it can tell the namespace is private, also when
# pid 1 cannot be looked at (a process without the rights to, as on some machines).
#   netns-guard-test.sh SCRIPTS-DIR SIMULATOR-FIXTURE
set -eu
scripts=$1 fixture=$2
failures=0 passed=0

# Runs "sh -c SCRIPT" in a new network namespace, with interfaces added or not; a
# marker of "own" records that namespace as made private, "other" one of another
# namespace. Prints the exit code.
run_in_namespace() {  # INTERFACES(lo|veth) MARKER(none|own|other) SCRIPT
    interfaces=$1 marker=$2 script=$3
    # What would reach the network here: a veth pair, as the routed tests build.
    add=""
    [ "$interfaces" = veth ] && add="ip link add guard-a type veth peer name guard-b;"
    case $marker in
    none) set_marker="unset CC_PRIVATE_NETNS;" ;;
    own) set_marker='export CC_PRIVATE_NETNS=$(readlink /proc/self/ns/net);' ;;
    other) set_marker="export CC_PRIVATE_NETNS=$(readlink /proc/self/ns/net);" ;;
    esac
    code=0
    unshare --net sh -c "$add $set_marker $script" >/dev/null 2>&1 || code=$?
    echo $code
}

expect() {  # WHAT EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
    else
        echo "FAIL: $1: exit $3, expected $2" >&2
        failures=$((failures + 1))
    fi
}

# As an unprivileged user, to whom /proc/1 is closed; the prefix cannot be made, so a
# winerun that passed its guard ends at once with a code other than 97.
unprivileged="setpriv --reuid=65534 --regid=65534 --clear-groups env WINEPREFIX=/proc/no-such/prefix"
winerun="$unprivileged sh $scripts/winerun cmd /c exit"
guard=". $scripts/netns-guard.sh; in_private_network_namespace"

# (interfaces, marker, whether the namespace counts as private)
for row in "lo none 0" "veth none 97" "veth own 0" "veth other 97"; do
    set -- $row
    expect "the guard with $1 and marker $2" "$3" "$(run_in_namespace "$1" "$2" "$unprivileged sh -c '$guard' || exit 97")"
    if [ "$3" = 97 ]; then
        expect "winerun with $1 and marker $2" 97 "$(run_in_namespace "$1" "$2" "$winerun")"
        expect "the simulator fixture with $1 and marker $2" 97 \
            "$(run_in_namespace "$1" "$2" "sh $fixture start /bin/false 127.0.0.1:1 /nonexistent/state")"
    fi
done

echo "$passed passed, $failures failed"
[ $failures -eq 0 ]
