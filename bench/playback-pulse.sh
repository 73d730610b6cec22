#!/usr/bin/env bash
# Measures the ALSA sound service against a private PulseAudio server with a null sink:
# (a) the CPU time that looping a tone for 10 s costs, next to SoX's `play` doing the same
# through the same sink, and (b) how long a play request takes to reach the sink, from
# silence and when it replaces another tone. Prints the figures; it is not a test.
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
    --load="module-null-sink sink_name=$sink" \
    --load="module-native-protocol-unix socket=$work/native auth-anonymous=1" &
server_pid=$!
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null || { cat "$work/pulseaudio.log"; exit 1; }
pactl set-default-sink "$sink"

echo "== CPU while a tone loops for $seconds s (goal: at most 0.2 % of one core)"
"$probe" cpu "$seconds"
TIMEFORMAT="%U %S"
sox_times=$( { time AUDIODRIVER=alsa AUDIODEV=default play -q -n synth "$seconds" sine 440 \
    >/dev/null 2>&1; } 2>&1 )
read -r sox_user sox_system <<<"$sox_times"
awk -v u="$sox_user" -v s="$sox_system" -v t="$seconds" \
    'BEGIN { printf "SoX play, same sink:  %.3f s in %d s = %.3f %% of one core\n", u + s, t, 100 * (u + s) / t }'

echo "== Request to first sample at the sink, $rounds requests each"
"$probe" latency "$rounds" "$sink.monitor"
