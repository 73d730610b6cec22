# A private sound server whose only sink is a null sink at the tone images' own 22050 frames
# per second (stereo, 16-bit), reached through ALSA's `default` PCM and through the PulseAudio
# protocol alike, so that what this program writes reaches the sink's monitor unresampled.
# Sourced by the end-to-end session, the restart timing test and the playback benches.
#
#   sound_server_start KIND FOLDER   KIND is pulseaudio (Debian 12's PulseAudio) or pipewire
#                                    (PipeWire with WirePlumber and pipewire-pulse); FOLDER
#                                    holds the server's sockets, state and logs. Exports
#                                    SOUND_SERVER_SINK and the environment clients need.
#   sound_server_stop                stops every process sound_server_start started
#   sound_server_private_home FOLDER gives the run a HOME and an XDG_RUNTIME_DIR of its own
#                                    in FOLDER, and no session bus yet
#
# The caller provides HOME and XDG_RUNTIME_DIR (mode 700), private to the run; the ALSA
# configuration goes to $HOME/.asoundrc. PipeWire's session manager needs a session bus: the
# one in DBUS_SESSION_BUS_ADDRESS, or one started here.

sound_server_pids=()
# Whether sound_server_start started the session bus itself.
sound_server_own_bus=

sound_server_private_home() {
    mkdir -p "$1/home/.config" "$1/runtime"
    chmod 700 "$1/runtime"
    export HOME=$1/home XDG_RUNTIME_DIR=$1/runtime XDG_CONFIG_HOME=$1/home/.config
    unset DBUS_SESSION_BUS_ADDRESS
}

sound_server_log() { printf '[sound server] %s\n' "$*" >&2; }

sound_server_spawn() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 &
    sound_server_pids+=($!)
}

# Waits up to SECONDS for COMMAND to succeed, polling every 0.1 s.
sound_server_wait_for() {
    local tries=$(($1 * 10))
    shift
    while ((tries-- > 0)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

sound_server_start() {
    local kind=$1 folder=$2
    mkdir -p "$folder"
    export SOUND_SERVER_SINK=parvello_sink
    export PULSE_RUNTIME_PATH=$XDG_RUNTIME_DIR/pulse PULSE_STATE_PATH=$folder/pulse-state
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
    mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
    cat >"$HOME/.asoundrc" <<'ASOUNDRC'
pcm.!default { type pulse }
ctl.!default { type pulse }
ASOUNDRC
    local sink="sink_name=$SOUND_SERVER_SINK rate=22050 channels=2 format=s16le"
    case $kind in
    pulseaudio)
        sound_server_spawn "$folder/pulseaudio.log" \
            pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --disallow-exit \
            --disallow-module-loading=no --log-target=stderr \
            --load="module-null-sink $sink" \
            --load="module-native-protocol-unix socket=$XDG_RUNTIME_DIR/pulse/native auth-anonymous=1"
        ;;
    pipewire)
        if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
            sound_server_own_bus=yes
            export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/sound-server-bus
            sound_server_spawn "$folder/dbus.log" dbus-daemon --session --nofork --nopidfile \
                --address="$DBUS_SESSION_BUS_ADDRESS"
            sound_server_wait_for 10 dbus-send --session --dest=org.freedesktop.DBus \
                /org/freedesktop/DBus org.freedesktop.DBus.GetId ||
                { sound_server_log "the session bus does not answer"; return 1; }
        fi
        export PIPEWIRE_RUNTIME_DIR=$XDG_RUNTIME_DIR
        sound_server_spawn "$folder/pipewire.log" pipewire
        sound_server_wait_for 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" ||
            { sound_server_log "PipeWire does not start"; return 1; }
        sound_server_spawn "$folder/wireplumber.log" wireplumber
        # pipewire-pulse listens where PULSE_SERVER points.
        sound_server_spawn "$folder/pipewire-pulse.log" pipewire-pulse
        ;;
    *)
        sound_server_log "unknown sound server: $kind"
        return 2
        ;;
    esac
    sound_server_wait_for 30 pactl info ||
        { sound_server_log "$kind does not answer"; tail -n 20 "$folder"/*.log >&2; return 1; }
    if [ "$kind" = pipewire ]; then
        pactl load-module module-null-sink $sink >/dev/null ||
            { sound_server_log "PipeWire made no null sink"; return 1; }
        # The session manager makes the sink the default once it has seen it.
        sound_server_wait_for 10 bash -c "pactl list short sinks | grep -q $SOUND_SERVER_SINK"
    fi
    sound_server_wait_for 10 pactl set-default-sink "$SOUND_SERVER_SINK" ||
        { sound_server_log "cannot make $SOUND_SERVER_SINK the default sink"; return 1; }
    sound_server_log "$(pactl info | sed -n 's/^Server Name: //p') with the null sink $SOUND_SERVER_SINK"
}

sound_server_stop() {
    local i pid
    for ((i = ${#sound_server_pids[@]} - 1; i >= 0; i--)); do
        pid=${sound_server_pids[i]}
        kill -TERM "$pid" 2>/dev/null || true
        sound_server_wait_for 5 bash -c "! kill -0 $pid" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    sound_server_pids=()
    if [ -n "$sound_server_own_bus" ]; then
        unset DBUS_SESSION_BUS_ADDRESS
        sound_server_own_bus=
    fi
}
