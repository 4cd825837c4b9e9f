#!/usr/bin/env bash
# Starts or stops a private PulseAudio server for the mixer tests:
#
#   pulse_server.sh start DIR [IDLE]  # a server with one null sink, listening on DIR/native
#   pulse_server.sh stop DIR          # stops it and removes DIR
#
# With IDLE (seconds), the server also ends by itself once it has had no client
# for that long, so that a test that dies before stopping it leaves nothing behind.
#
# Everything the server keeps (socket, pid file, state, cookie, log) lives in
# DIR, so a user's own server is never touched. Works as root too (the server
# then warns that it is not meant to run as root, and runs).
set -euo pipefail

action="${1:-}"
dir="${2:-}"
idle="${3:--1}"
if [ -z "$action" ] || [ -z "$dir" ]; then
    echo "usage: $0 start DIR [IDLE] | stop DIR" >&2
    exit 2
fi

# The server of DIR, if one is running: its pid file names it, and that process
# is a live pulseaudio started for DIR (never someone else's server).
server_pid() {
    local pid state
    [ -f "$dir/pid" ] || return 1
    pid="$(tr -dc '0-9' < "$dir/pid")"
    [ -n "$pid" ] || return 1
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "pulseaudio" ] || return 1
    tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "socket=$dir/native" || return 1
    state="$(sed -e 's/.*) //' -e 's/ .*//' "/proc/$pid/stat" 2>/dev/null)"
    [ -n "$state" ] && [ "$state" != "Z" ] || return 1
    echo "$pid"
}

stop_server() {
    local pid i
    if pid="$(server_pid)"; then
        kill -TERM "$pid" 2>/dev/null || true
        for i in $(seq 1 50); do
            server_pid >/dev/null || break
            sleep 0.1
        done
        if server_pid >/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
    fi
    rm -rf "$dir"
}

case "$action" in
start)
    # A server left over from an interrupted run goes first.
    stop_server
    mkdir -p "$dir/state"
    chmod 700 "$dir"
    (
        cd "$dir"
        # Keep the server off the user's session: no display, no session bus.
        env -u DISPLAY -u WAYLAND_DISPLAY \
            HOME="$dir" XDG_RUNTIME_DIR="$dir" XDG_CONFIG_HOME="$dir" \
            PULSE_RUNTIME_PATH="$dir" PULSE_STATE_PATH="$dir/state" \
            DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus" \
            pulseaudio -n --daemonize=yes --use-pid-file=yes --system=no \
                --exit-idle-time="$idle" --disallow-exit=no \
                --log-target="file:$dir/log" \
                -L "module-null-sink sink_name=test_sink channels=2 channel_map=front-left,front-right" \
                -L "module-native-protocol-unix socket=$dir/native auth-anonymous=1"
    ) || { cat "$dir/log" >&2 2>/dev/null; stop_server; exit 1; }
    for i in $(seq 1 100); do
        if PULSE_SERVER="unix:$dir/native" PULSE_COOKIE="$dir/cookie" pactl info >/dev/null 2>&1; then
            exit 0
        fi
        sleep 0.1
    done
    echo "the test PulseAudio server did not answer on $dir/native" >&2
    cat "$dir/log" >&2 2>/dev/null || true
    stop_server
    exit 1
    ;;
stop)
    stop_server
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
