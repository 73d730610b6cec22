#!/usr/bin/env bash
# Measures what a user would ask of the program on a private desktop session (Xvfb, the
# accessibility bus and a PulseAudio null sink, as the end-to-end test uses): time from
# start to the first painted window and resident memory, each next to a minimal Qt Widgets
# window measured in the same run, CPU while a tone loops, and how restarts of the tone are
# heard (desktop_figures.py); then the restarts again on a session whose sound server is
# PipeWire. On both, the program against its server stopped (SIGSTOP), as a hung server
# behaves (stalled_server.py). Prints the figures; it is not a test.
#
#   bench/desktop-figures.sh [ROUNDS]
#
# The build goes to build/bench-desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
scripts/install-deps.sh "${build_packages[@]}" "${test_packages[@]}"

rounds=${1:-10}
build=$PWD/build/bench-desktop
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target parvello minimal_window first_paint_probe \
    click_latency_probe >/dev/null

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
    figures=()
    [ "$server" = pulseaudio ] || figures=(--restarts-only)
    PYTHONPATH=$PWD/tests/end-to-end /usr/bin/python3 bench/desktop_figures.py "$build" \
        "$rounds" "${figures[@]}"
    PYTHONPATH=$PWD/tests/end-to-end /usr/bin/python3 bench/stalled_server.py "$build" \
        "$build/app/parvello" "$rounds"
    session_stop
    rm -rf "$work"
    work=
done
