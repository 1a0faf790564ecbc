#!/bin/sh
# Signs Windows programs in place with an Authenticode signature, SHA-256, through
# osslsigncode; scripts/release.sh --sign runs it on the programs it packs.
#
#   sign.sh KEY.pfx EPOCH [--timestamp URL] PROGRAM...
#
# KEY.pfx holds the code-signing certificate (with its chain) and its private key. Its
# password, if it has one, is read from the environment variable SIGN_PASSWORD and
# handed to osslsigncode through a pipe, never on a command line, which every user of
# the machine can read. EPOCH (seconds since 1970, UTC) is the signing time written into
# the signature, so that one program signed twice with one key gives the same bytes.
# --timestamp URL has an RFC 3161 time-stamp authority countersign each signature,
# which keeps it valid after the certificate expires; its answer differs at each run.
set -eu
usage() { echo "usage: sign.sh KEY.pfx EPOCH [--timestamp URL] PROGRAM..." >&2; exit 2; }
[ $# -ge 3 ] || usage
key=$1 epoch=$2
shift 2
timestamp=""
if [ "$1" = --timestamp ]; then
    [ $# -ge 3 ] || usage
    timestamp=$2
    shift 2
fi
[ -f "$key" ] || { echo "sign.sh: no key file $key" >&2; exit 2; }
case $epoch in '' | *[!0-9]*) echo "sign.sh: the signing time must be seconds since 1970, not \"$epoch\"" >&2; exit 2 ;; esac

# One program: osslsigncode writes the signed copy beside it, which then replaces it.
sign_one() {
    program=$1 signed="$1.signed"
    rm -f "$signed"
    set -- sign -pkcs12 "$key" -h sha256 -time "$epoch"
    [ -z "$timestamp" ] || set -- "$@" -ts "$timestamp"
    [ -z "${SIGN_PASSWORD:-}" ] || set -- "$@" -readpass /dev/stdin
    if ! printf '%s' "${SIGN_PASSWORD:-}" | osslsigncode "$@" -in "$program" -out "$signed" >"$signed.log" 2>&1; then
        cat "$signed.log" >&2
        rm -f "$signed" "$signed.log"
        echo "sign.sh: $program could not be signed (above)" >&2
        exit 1
    fi
    rm -f "$signed.log"
    mv "$signed" "$program"
}

for program in "$@"; do
    sign_one "$program"
done
