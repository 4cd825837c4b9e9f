#!/usr/bin/env bash
# Starts or stops a private session bus, with a private PulseAudio server
# beside it, for the tests that drive the player over MPRIS2:
#
#   session_bus.sh start DIR   # the bus listens on DIR/bus, PulseAudio on DIR/pulse/native
#   session_bus.sh stop DIR    # stops both and removes DIR
#
# Nothing of the user's own session is touched: both live in DIR.
set -euo pipefail

action="${1:-}"
dir="${2:-}"
pulse="$(dirname "$0")/../mixer/pulse_server.sh"
if [ -z "$action" ] || [ -z "$dir" ]; then
    echo "usage: $0 start|stop DIR" >&2
    exit 2
fi

# The bus of DIR, if one runs: the pid it wrote, a live dbus-daemon listening on DIR/bus.
bus_pid() {
    local pid
    [ -f "$dir/bus.pid" ] || return 1
    pid="$(tr -dc '0-9' < "$dir/bus.pid")"
    [ -n "$pid" ] || return 1
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "dbus-daemon" ] || return 1
    tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "unix:path=$dir/bus" || return 1
    echo "$pid"
}

stop_all() {
    local pid i
    if pid="$(bus_pid)"; then
        kill -TERM "$pid" 2>/dev/null || true
        for i in $(seq 1 50); do
            bus_pid >/dev/null || break
            sleep 0.1
        done
    fi
    "$pulse" stop "$dir/pulse" || true
    rm -rf "$dir"
}

case "$action" in
start)
    stop_all
    mkdir -p "$dir"
    chmod 700 "$dir"
    dbus-daemon --session --address="unix:path=$dir/bus" --fork --nopidfile --print-pid=3 3>"$dir/bus.pid"
    # A server that ends by itself if the stop never comes.
    "$pulse" start "$dir/pulse" 300 || { stop_all; exit 1; }
    for i in $(seq 1 50); do
        if DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus" dbus-send --session --print-reply \
            --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.GetId >/dev/null 2>&1; then
            exit 0
        fi
        sleep 0.1
    done
    echo "the test session bus did not answer on $dir/bus" >&2
    stop_all
    exit 1
    ;;
stop)
    stop_all
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
