# A private desktop session for driving a program as a person would, sourced by run.sh:
# an X server (Xvfb) without a window manager, a session D-Bus with the accessibility bus
# and its registry, and a sound server whose only sink is a null sink at the tone images'
# own 22050 frames per second (sound-server.sh). Everything lives in a temporary folder with
# its own HOME, XDG_RUNTIME_DIR and XDG_CONFIG_HOME, so the user's desktop, sound and
# settings are never touched.
#
#   session_start WORKDIR    brings everything up and exports the environment for clients
#   session_spawn NAME CMD…  starts a client in the background and remembers its pid
#   session_stop             stops every process that was started, by its pid

. "$(dirname "${BASH_SOURCE[0]}")/../sound-servers/sound-server.sh"

session_pids=()
session_names=()
session_work=
session_a11y_bus=

session_log() { printf '[session] %s\n' "$*" >&2; }

# Waits up to SECONDS for COMMAND to succeed (the sound servers' helper does the polling).
session_wait_for() { sound_server_wait_for "$@"; }

session_remember() {
    session_pids+=("$1")
    session_names+=("$2")
}

session_spawn() {
    local name=$1
    shift
    "$@" >"$session_work/logs/$name.log" 2>&1 &
    session_remember $! "$name"
    session_log "started $name (pid $!)"
}

# The pids of every process below PID, found through /proc.
session_descendants() {
    local stat line fields child
    for stat in /proc/[0-9]*/stat; do
        read -r line 2>/dev/null <"$stat" || continue
        # After the command name, which may hold blanks: state, parent pid, ...
        read -r -a fields <<<"${line##*) }"
        [ "${fields[1]}" = "$1" ] || continue
        child=${stat#/proc/}
        child=${child%/stat}
        echo "$child"
        session_descendants "$child"
    done
}

# Stops the processes in the reverse order of their start, each after its own descendants
# (the accessibility bus launcher starts a bus daemon of its own). A process that ignores
# SIGTERM for 5 s is killed.
session_stop() {
    local i pid all=()
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        pid=${session_pids[i]}
        all+=($(session_descendants "$pid") "$pid")
    done
    for pid in "${all[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${all[@]}"; do
        session_wait_for 5 bash -c "! kill -0 $pid" || kill -KILL "$pid" 2>/dev/null || true
    done
    for pid in "${session_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    session_pids=()
    session_names=()
}

session_dump_logs() {
    local log
    for log in "$session_work"/logs/*.log; do
        [ -s "$log" ] || continue
        echo "----- ${log##*/}" >&2
        tail -n 40 "$log" >&2
    done
}

session_start_x() {
    # Xvfb picks a free display itself and writes its number to the descriptor given.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3>"$session_work/display" >"$session_work/logs/xvfb.log" 2>&1 &
    session_remember $! xvfb
    session_wait_for 30 test -s "$session_work/display" ||
        { session_log "Xvfb did not start"; return 1; }
    export DISPLAY=:$(head -n 1 "$session_work/display")
    session_wait_for 30 xdotool getmouselocation ||
        { session_log "X display $DISPLAY does not answer"; return 1; }
    session_log "X server on $DISPLAY"
}

# Asks a bus whether NAME has an owner, without starting a service for it.
session_name_owned() {
    dbus-send "$1" --dest=org.freedesktop.DBus --print-reply=literal /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$2" | grep -q true
}

session_start_buses() {
    # A session bus that starts no services on demand: every service this session needs is
    # started below, so each has a known pid (a service that the bus starts itself is
    # detached from its starter and could outlive the session).
    cat >"$session_work/session-bus.conf" <<BUSCONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$XDG_RUNTIME_DIR/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
BUSCONF
    session_spawn dbus-session dbus-daemon --config-file="$session_work/session-bus.conf" \
        --nofork --nopidfile
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
    session_wait_for 30 dbus-send --session --dest=org.freedesktop.DBus --print-reply \
        /org/freedesktop/DBus org.freedesktop.DBus.GetId ||
        { session_log "the session bus does not answer"; return 1; }

    # The launcher owns org.a11y.Bus on the session bus and starts the accessibility bus,
    # whose address applications and screen readers ask it for.
    session_spawn at-spi-bus-launcher /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1
    session_wait_for 30 session_name_owned --session org.a11y.Bus ||
        { session_log "no accessibility bus launcher"; return 1; }
    local address
    address=$(dbus-send --session --dest=org.a11y.Bus --print-reply=literal /org/a11y/bus \
        org.a11y.Bus.GetAddress | tr -d ' ')
    [ -n "$address" ] || { session_log "no accessibility bus"; return 1; }
    # Not exported as AT_SPI_BUS_ADDRESS: Qt 6.4 connects to a bus named there before its
    # accessibility bridge listens, and then never registers the application. Asked through
    # org.a11y.Bus, it registers once the answer arrives.
    session_a11y_bus=$address
    # The registry, which screen readers ask for the applications, before anything else can
    # make the accessibility bus start one of its own.
    session_spawn at-spi2-registryd /usr/libexec/at-spi2-registryd
    session_wait_for 30 session_name_owned --bus="$address" org.a11y.atspi.Registry ||
        { session_log "the accessibility registry does not answer"; return 1; }
    # Qt enables its accessibility bridge only when asked.
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    session_log "accessibility bus at $address"
}

# The sound server of SESSION_SOUND_SERVER (pulseaudio, the default, or pipewire), on the
# session's bus, its processes stopped with the session's.
session_start_sound() {
    sound_server_start "${SESSION_SOUND_SERVER:-pulseaudio}" "$session_work/logs" || return 1
    local pid
    for pid in "${sound_server_pids[@]}"; do
        session_remember "$pid" sound-server
    done
    sound_server_pids=()
    export SESSION_SINK=$SOUND_SERVER_SINK
}

session_start() {
    session_work=$1
    sound_server_private_home "$session_work"
    mkdir -p "$session_work/logs"
    export XDG_SESSION_TYPE=x11
    export XDG_DATA_HOME=$session_work/home/.local/share XDG_CACHE_HOME=$session_work/home/.cache
    export LC_ALL=C.UTF-8 LANG=C.UTF-8
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
    session_start_x && session_start_buses && session_start_sound
}
