#!/bin/sh
# Starts or stops the controller simulator that the tests needing one share (a ctest
# fixture). It answers only on this network namespace's loopback.
#   simulator-fixture.sh start|stop NRSIM CONTROL-ENDPOINT STATE-DIR
set -eu
action=$1 nrsim=$2 control=$3 state=$4

# shellcheck source=scripts/netns-guard.sh
. "$(dirname "$0")/../../scripts/netns-guard.sh"
if ! in_private_network_namespace; then
    echo "simulator-fixture: refusing to run outside a private network namespace" >&2
    exit 97
fi

case $action in
start)
    mkdir -p "$state"
    # Detached from ctest's pipes, so that this set-up step can end while it runs on.
    "$nrsim" --control "$control" --idle-exit 600 >"$state/nrsim.log" 2>&1 </dev/null &
    echo $! >"$state/pid"
    tries=0
    until grep -q "answering on" "$state/nrsim.log"; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$(cat "$state/pid")" 2>/dev/null; then
            cat "$state/nrsim.log" >&2
            exit 1
        fi
        sleep 0.05
    done
    "$nrsim" ctl "$control" ping
    ;;
stop)
    [ -f "$state/pid" ] || exit 0
    pid=$(cat "$state/pid")
    "$nrsim" ctl "$control" quit || kill "$pid" 2>/dev/null || true
    tries=0
    # Gone, or a zombie left for whichever process adopted it to reap.
    while [ -r "/proc/$pid/stat" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$pid/stat" && [ $tries -lt 50 ]; do
        tries=$((tries + 1))
        sleep 0.05
    done
    rm -f "$state/pid"
    ;;
*)
    echo "usage: simulator-fixture.sh start|stop NRSIM CONTROL-ENDPOINT STATE-DIR" >&2
    exit 2
    ;;
esac
