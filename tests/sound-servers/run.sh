#!/usr/bin/env bash
# Runs a program against a private sound server (sound-server.sh) and stops the server
# afterwards, also when the program fails or the run is interrupted. The program finds the
# sink's name in SOUND_SERVER_SINK.
#
#   run.sh pulseaudio|pipewire PROGRAM [ARGUMENTS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/sound-server.sh"

kind=$1
shift
work=$(mktemp -d /tmp/parvello-sound.XXXXXX)
finish() {
    local status=$?
    sound_server_stop
    if [ "$status" -ne 0 ]; then
        for log in "$work"/server/*.log; do
            [ -s "$log" ] && { echo "----- ${log##*/}" >&2; tail -n 30 "$log" >&2; }
        done
    fi
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

sound_server_private_home "$work"
sound_server_start "$kind" "$work/server" || exit 1
"$@"
