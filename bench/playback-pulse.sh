#!/usr/bin/env bash
# Measures the program's two sound outputs side by side, the sound server's own stream
# ("stream", what the program plays through where a server answers) and ALSA's default PCM
# through ALSA's pulse plugin ("alsa"), against a private PulseAudio server and then a
# private PipeWire server (tests/sound-servers/sound-server.sh), each with a null sink at the
# tones' 22050 Hz:
# (a) the CPU time that looping a tone for 10 s costs, interleaved with SoX's `play` doing
#     the same through the same sink, ROUNDS/5 times (at least twice);
# (b) every restart as the engine makes it, at paces of 0.3, 1, 3 and 10 s and as two starts
#     in a row: the silence between the tones and when the new one is heard;
# (c) how long a play request takes to reach the sink, and the click measure and the time to
#     complete of every kind of change (start, unmute, volume steps, stop, replacement);
# (d) the server killed and started again while a tone plays: whether the tone comes back;
# (e) how long the service's destructor and the process's end take while the server is
#     stopped (SIGSTOP).
# It also shows the properties under which the stream appears in the desktop's mixer.
# Prints the figures; it is not a test.
#
#   bench/playback-pulse.sh [ROUNDS]
#
# The build goes to build/bench-pulse.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
scripts/install-deps.sh "${build_packages[@]}" "${test_packages[@]}" "${bench_packages[@]}"
. tests/sound-servers/sound-server.sh

rounds=${1:-15}
seconds=10

cmake -S . -B build/bench-pulse -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench-pulse --target playback_pulse_probe -j 2 >/dev/null
probe=$PWD/build/bench-pulse/bench/playback_pulse_probe

work=$(mktemp -d)
trap 'sound_server_stop; rm -rf "$work"' EXIT
sound_server_private_home "$work"

# The process's CPU while OUTPUT loops a 440 Hz tone into the default sink for $seconds s.
cpu_of_output() {
    "$probe" "$1" cpu "$seconds" | sed -n 's/^whole process CPU: *//p'
}
cpu_of_sox() {
    local times user system
    TIMEFORMAT="%U %S"
    times=$( { time AUDIODRIVER=alsa AUDIODEV=default play -q -n synth "$seconds" sine 440 \
        >/dev/null 2>&1; } 2>&1 )
    read -r user system <<<"$times"
    awk -v u="$user" -v s="$system" -v t="$seconds" \
        'BEGIN { printf "%.3f s in %d s = %.3f %% of one core\n", u + s, t, 100 * (u + s) / t }'
}

# The tone plays on while the server is killed and started again; the tone must be heard
# again within a few seconds.
measure_recovery() {
    local kind=$1 output=$2 peak
    "$probe" "$output" play 12 &
    local player=$!
    sleep 2
    sound_server_stop
    sound_server_start "$kind" "$work/server" 2>/dev/null
    sleep 4
    peak=$("$probe" "$output" peak "$SOUND_SERVER_SINK.monitor" 1)
    kill "$player" 2>/dev/null || true
    wait "$player" 2>/dev/null || true
    echo "$output: after the server was killed and started again, the tone peaks at $peak (of 32767)"
}

measure_server() {
    local kind=$1 output
    sound_server_start "$kind" "$work/server"
    local monitor=$SOUND_SERVER_SINK.monitor

    echo "== $kind: the stream as the desktop's mixer shows it"
    "$probe" stream cpu 2 >/dev/null &
    local listed=$!
    sleep 1.5
    pactl list sink-inputs | grep -E 'application.name|application.icon_name|media.role' |
        sed 's/^\s*//'
    wait "$listed"

    echo "== $kind: CPU while a tone loops for $seconds s, interleaved"
    local runs=$((rounds / 5 > 2 ? rounds / 5 : 2))
    for ((run = 1; run <= runs; run++)); do
        echo "stream $(cpu_of_output stream); alsa $(cpu_of_output alsa); SoX play $(cpu_of_sox)"
    done

    for output in stream alsa; do
        echo "== $kind, $output: restarts as the engine makes them (mute, play, 100 ms, unmute)"
        "$probe" "$output" restarts "$rounds" "$monitor" 0.3 1 3 10
    done

    for output in stream alsa; do
        echo "== $kind, $output: request to first sample at the sink, $rounds requests each"
        "$probe" "$output" latency "$rounds" "$monitor"
        echo "== $kind, $output: clicks, the largest sample-to-sample step at the sink against" \
            "the tone's own (goal: at most 1.3x), $rounds events each, and the time until" \
            "the change is complete (goal: within 100 ms)"
        "$probe" "$output" clicks "$rounds" "$monitor"
    done

    echo "== $kind: the server killed and started again while a tone plays"
    for output in stream alsa; do
        measure_recovery "$kind" "$output"
    done

    echo "== $kind: with the server stopped (SIGSTOP), the destructor's time (goal: under 500 ms)"
    local server=${sound_server_pids[-1]}
    for output in stream alsa; do
        echo "-- $output"
        "$probe" "$output" stopped-server "$server"
        local stopped_at ended_at
        stopped_at=$("$probe" "$output" exit-with-stopped-server "$server")
        ended_at=$(date +%s.%N)
        kill -CONT "$server"
        awk -v a="$stopped_at" -v b="$ended_at" \
            'BEGIN { printf "process end after stopping the server: %.0f ms (goal: under 1000 ms)\n", 1000 * (b - a) }'
    done
    sound_server_stop
}

measure_server pulseaudio
measure_server pipewire
