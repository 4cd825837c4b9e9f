#!/usr/bin/env bash
# Builds the player and starts it on the demo songs.
#   scripts/run.sh [FOLDER | SONG.mp3] [Qt options...]
# Without a folder or song, the player opens the demo/ folder; a path given
# takes its place, and any further arguments are passed on.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

ensure_packages
configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLAYER_TESTS=OFF -DPLAYER_BENCH=OFF

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "error: no display (DISPLAY and WAYLAND_DISPLAY are unset); run it on a desktop, or under a virtual one: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi
if [ $# -eq 0 ] || [ "${1#-}" != "$1" ]; then
    set -- "$ROOT/demo" "$@"
fi
exec "$ROOT/build/app/Project1" "$@"
