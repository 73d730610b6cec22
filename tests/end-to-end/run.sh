#!/usr/bin/env bash
# Runs an end-to-end check on a private desktop session (session.sh) and stops everything
# it started afterwards, also when a check fails or the run is interrupted.
#
#   run.sh harness PROBE_WINDOW OUTPUT_FOLDER    checks the harness itself
#   run.sh parvello PROGRAM OUTPUT_FOLDER        drives the program (parvello_scenario.py)
#   run.sh wayland PROGRAM OUTPUT_FOLDER         runs the program under a Wayland session on
#                                                Weston, with and without XWayland
#                                                (wayland_check.py)
#   run.sh installed BUILD_FOLDER|PACKAGE.deb OUTPUT_FOLDER
#                                                installs the build or unpacks the package
#                                                and starts it from its menu entry
#                                                (installed_check.py)
#
# The output folder receives the recordings, screenshots and logs of the run.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/session.sh"

what=$1
shift
# The system's python, which has the accessibility bindings (pyatspi) that Debian ships.
python=/usr/bin/python3

work=$(mktemp -d /tmp/parvello-e2e.XXXXXX)
finish() {
    local status=$?
    session_stop
    if [ "$status" -ne 0 ]; then
        session_dump_logs
        [ -n "${out:-}" ] && cp -r "$work/logs" "$out/session-logs" 2>/dev/null
    fi
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

session_start "$work" || exit 1

case $what in
harness) driver=harness_check.py ;;
parvello) driver=parvello_scenario.py ;;
wayland) driver=wayland_check.py ;;
installed) driver=installed_check.py ;;
*)
    echo "unknown check: $what" >&2
    exit 2
    ;;
esac
out=$2
mkdir -p "$out"
# In the background and remembered, so that an interruption stops it and whatever it
# started at once, instead of waiting for it to end.
"$python" "$here/$driver" "$1" "$out" &
session_remember $! "$driver"
wait $!
