# shellcheck shell=sh
# Whether this process runs in a network namespace from which nothing reaches the
# machine's network. Sourced by every script that starts a networked program:
#   . "$scripts/netns-guard.sh"
#   in_private_network_namespace || exit 97
# It holds when the namespace is the one scripts/in-netns or netns-lib.sh made and
# recorded in CC_PRIVATE_NETNS right after making it, or when it has no interface but
# loopback. It reads nothing of other processes (pid 1 may not be readable), and
# whatever it cannot read counts as not private.

in_private_network_namespace() {
    current=$(readlink /proc/self/ns/net 2>/dev/null) || return 1
    if [ -n "${CC_PRIVATE_NETNS:-}" ] && [ "$current" = "$CC_PRIVATE_NETNS" ]; then
        return 0
    fi
    # This namespace's interfaces, after two header lines.
    interfaces=$(tail -n +3 /proc/self/net/dev 2>/dev/null | cut -d: -f1 | tr -d ' ')
    [ "$interfaces" = lo ]
}

# Records the namespace this process has just been given as a private one, for the
# guard of the programs it starts.
record_private_network_namespace() {
    CC_PRIVATE_NETNS=$(readlink /proc/self/ns/net)
    export CC_PRIVATE_NETNS
}
