#!/usr/bin/env bash
# Measures the ALSA sound service against a private PulseAudio server with a null sink that
# runs at the tones' 22050 Hz: (a) the CPU time that looping a tone for 10 s costs, next to
# SoX's `play` doing the same through the same sink (and the same again on a private
# PipeWire server, where PipeWire is installed), (b) how long a play request takes to reach
# the sink, from silence and when it replaces another tone, (c) the click measure of every
# kind of change (start, unmute, volume steps, stop, replacement, a new tone as the engine
# starts it) with the time each takes to complete at the sink, and (d) how long the
# service's destructor and the process's end take while the server is stopped (SIGSTOP). It
# also shows the properties under which the stream appears in the desktop's mixer. Prints
# the figures; it is not a test.
#
#   bench/playback-pulse.sh [ROUNDS]
#
# The server runs in the foreground of this script with its own runtime folder and HOME, is
# reached through ALSA's pulse plugin, and is stopped on exit. The build goes to
# build/bench-pulse.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
scripts/install-deps.sh "${build_packages[@]}" "${test_packages[@]}" "${bench_packages[@]}"

rounds=${1:-15}
seconds=10

cmake -S . -B build/bench-pulse -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench-pulse --target playback_pulse_probe -j 2 >/dev/null
probe=$PWD/build/bench-pulse/bench/playback_pulse_probe

work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Everything the server and its clients keep goes into the private folder.
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/home/.config
export PULSE_RUNTIME_PATH=$work/runtime/pulse PULSE_STATE_PATH=$work/state
export PULSE_SERVER=unix:$work/native
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$PULSE_STATE_PATH"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$HOME/.asoundrc" <<'ASOUNDRC'
pcm.!default { type pulse }
ctl.!default { type pulse }
ASOUNDRC

sink=parvello_probe
pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --disallow-exit \
    --log-target=file:"$work/pulseaudio.log" \
    --load="module-null-sink sink_name=$sink rate=22050" \
    --load="module-native-protocol-unix socket=$work/native auth-anonymous=1" &
server_pid=$!
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null || { cat "$work/pulseaudio.log"; exit 1; }
pactl set-default-sink "$sink"

# The CPU of the probe's playback thread and whole process, then of SoX's `play`, while each
# loops a 440 Hz tone into the current default sink for $seconds s.
measure_cpu() {
    "$probe" cpu "$seconds"
    TIMEFORMAT="%U %S"
    sox_times=$( { time AUDIODRIVER=alsa AUDIODEV=default play -q -n synth "$seconds" sine 440 \
        >/dev/null 2>&1; } 2>&1 )
    read -r sox_user sox_system <<<"$sox_times"
    awk -v u="$sox_user" -v s="$sox_system" -v t="$seconds" \
        'BEGIN { printf "SoX play -n synth sine 440, same sink: %.3f s in %d s = %.3f %% of one core\n", u + s, t, 100 * (u + s) / t }'
}

echo "== The stream as the desktop's mixer shows it"
"$probe" cpu 2 >/dev/null &
probe_pid=$!
sleep 1.5
pactl list sink-inputs | grep -E 'application.name|application.icon_name|media.role' | sed 's/^\s*//'
wait "$probe_pid"

echo "== PulseAudio: CPU while a tone loops for $seconds s"
measure_cpu

echo "== Request to first sample at the sink, $rounds requests each"
"$probe" latency "$rounds" "$sink.monitor"

echo "== Clicks: the largest sample-to-sample step at the sink against the tone's own" \
    "(goal: at most 1.3x), $rounds events each; the time until the change is complete" \
    "(goal: within 100 ms, a new tone within 130 ms)"
"$probe" clicks "$rounds" "$sink.monitor"

echo "== With the server stopped (SIGSTOP): the destructor's time (goal: under 500 ms)"
"$probe" stopped-server "$server_pid"
pactl info >/dev/null && echo "the server runs on after SIGCONT"
stopped_at=$("$probe" exit-with-stopped-server "$server_pid")
ended_at=$(date +%s.%N)
kill -CONT "$server_pid"
awk -v a="$stopped_at" -v b="$ended_at" \
    'BEGIN { printf "process end after stopping the server: %.0f ms (goal: under 1000 ms)\n", 1000 * (b - a) }'

if command -v pipewire >/dev/null && command -v pipewire-pulse >/dev/null; then
    echo "== PipeWire: CPU while a tone loops for $seconds s"
    kill "$server_pid" && wait "$server_pid" 2>/dev/null || true
    server_pid=
    export PIPEWIRE_RUNTIME_DIR=$XDG_RUNTIME_DIR
    pipewire >"$work/pipewire.log" 2>&1 &
    pw_pids=$!
    pipewire-pulse >>"$work/pipewire.log" 2>&1 &
    pw_pids="$pw_pids $!"
    unset PULSE_SERVER
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl load-module module-null-sink sink_name=$sink rate=22050 >/dev/null
    pactl set-default-sink "$sink"
    measure_cpu
    kill $pw_pids
else
    echo "== PipeWire is not installed: its CPU figures are left out"
fi
