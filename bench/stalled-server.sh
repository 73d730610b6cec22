#!/usr/bin/env bash
# Measures the program against a sound server that stops answering (stalled_server.py), at
# a private PulseAudio and then a private PipeWire session, as the end-to-end test sets them
# up. Prints the figures; it is not a test.
#
#   bench/stalled-server.sh [ROUNDS [PROGRAM]]
#
# PROGRAM defaults to the program built here, in build/bench-desktop (or BENCH_BUILD).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
scripts/install-deps.sh "${build_packages[@]}" "${test_packages[@]}"

rounds=${1:-5}
build=${BENCH_BUILD:-$PWD/build/bench-desktop}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target parvello first_paint_probe >/dev/null
program=$(realpath "${2:-$build/app/parvello}")

. tests/end-to-end/session.sh
work=
finish() {
    local status=$?
    session_stop
    [ "$status" -eq 0 ] || session_dump_logs
    [ -n "$work" ] && rm -rf "$work"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

for server in pulseaudio pipewire; do
    work=$(mktemp -d /tmp/parvello-bench.XXXXXX)
    export SESSION_SOUND_SERVER=$server
    session_start "$work" 2>/dev/null
    echo "==== $server"
    PYTHONPATH=$PWD/tests/end-to-end /usr/bin/python3 bench/stalled_server.py "$build" \
        "$program" "$rounds"
    session_stop
    rm -rf "$work"
    work=
done
