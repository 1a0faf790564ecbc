# shellcheck shell=sh disable=SC2154  # $scripts and $work come from the sourcing script
# Shared by the tests that build networks of their own out of namespaces. A test sets
# $scripts (this folder) and $work (a scratch folder this library owns), then:
#   . "$scripts/netns-lib.sh"
#   begin_work "$0" "$@"

# Runs the calling script again in a new network namespace of its own unless it is
# already there; then brings up its loopback, makes $work afresh and, on exit, ends the
# namespaces and simulators started here and the private prefix's wineserver and
# removes $work.
begin_work() {  # SCRIPT [ARGS...]
    if [ "${NETNS_LIB_OWN_NAMESPACE:-}" != "$work" ]; then
        script=$1
        shift
        exec env NETNS_LIB_OWN_NAMESPACE="$work" unshare --net sh "$script" "$@"
    fi
    # shellcheck source=scripts/netns-guard.sh
    . "$scripts/netns-guard.sh"
    record_private_network_namespace
    ip link set lo up
    rm -rf "$work"
    mkdir -p "$work"
    : >"$work/pids"
    trap end_work EXIT
}

# shellcheck disable=SC2317  # run by the EXIT trap
end_work() {
    while read -r pid; do kill "$pid" 2>/dev/null || true; done <"$work/pids"
    WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}

# A new namespace with loopback up, held open by a sleeping process of its own; prints
# that process's pid. Called as $(new_namespace), hence the pid file.
new_namespace() {
    # Redirected, or the substitution would wait for the sleeper's output to end.
    unshare --net sleep 600 </dev/null >/dev/null 2>&1 &
    holder=$!
    echo $holder >>"$work/pids"
    while [ "$(readlink /proc/$holder/ns/net)" = "$(readlink /proc/self/ns/net)" ]; do sleep 0.01; done
    nsenter --net="/proc/$holder/ns/net" ip link set lo up
    echo $holder
}

# Runs a command inside the namespace held by PID.
in_namespace() {  # PID COMMAND...
    holder=$1
    shift
    nsenter --net="/proc/$holder/ns/net" "$@"
}

# Starts the simulator inside the namespace held by PID, logging to $work/nrsim.log,
# and returns once it answers.
start_simulator_in() {  # PID NRSIM [NRSIM-OPTIONS...]
    holder=$1
    shift
    # Made here, as the background job's redirection may come after the first look.
    : >"$work/nrsim.log"
    # nsenter execs the simulator, so that $! is the simulator itself.
    nsenter --net="/proc/$holder/ns/net" "$@" >"$work/nrsim.log" 2>&1 </dev/null &
    simulator=$!
    echo $simulator >>"$work/pids"
    tries=0
    until grep -q "answering on" "$work/nrsim.log"; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 $simulator 2>/dev/null; then
            echo "the simulator did not start:" >&2
            cat "$work/nrsim.log" >&2
            exit 1
        fi
        sleep 0.05
    done
}

# Makes $work/prefix a Wine prefix of our own (hard links to the shared one, with
# private registry files), exports it and starts its wineserver here, so that Wine's
# sockets live in this namespace.
private_wine_prefix() {
    : "${WINEPREFIX:=${HOME}/.cache/changecontroller/wineprefix}"
    "$scripts/winerun" --prepare
    cp -al "$WINEPREFIX" "$work/prefix" 2>/dev/null || cp -a "$WINEPREFIX" "$work/prefix"
    for hive in "$work"/prefix/*.reg; do
        cp --remove-destination "$WINEPREFIX/$(basename "$hive")" "$hive"
    done
    rm -f "$work/prefix/wineserver"
    export WINEPREFIX="$work/prefix"
    wineserver -p </dev/null >/dev/null 2>&1
}
