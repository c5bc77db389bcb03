#!/usr/bin/env bash
# Starts Lumarel from the build tree. On a machine without a webcam the
# helper's simulated camera stands in (the application starts the helper,
# which inherits UVCC_HELPER_SIMULATE), and this says so in one line.
set -euo pipefail
build=${1:-build}
app="$build/bin/lumarel"
helper="$build/bin/uvcc-helper"
if [ ! -x "$app" ] || [ ! -x "$helper" ]; then
    echo "run: $app or $helper is missing; build first with 'make build'" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no graphical session here (neither DISPLAY nor WAYLAND_DISPLAY is set)" >&2
    exit 1
fi
if [ -z "${UVCC_HELPER_SIMULATE:-}" ]; then
    cameras=$("$helper" devices 2>/dev/null || true)
    if [ -z "$cameras" ] || [ "$cameras" = "[]" ]; then
        export UVCC_HELPER_SIMULATE="${XDG_STATE_HOME:-$HOME/.local/state}/lumarel/simulated-camera.json"
        mkdir -p "$(dirname "$UVCC_HELPER_SIMULATE")"
        echo "No webcam found: Lumarel uses the simulated camera (state in $UVCC_HELPER_SIMULATE)."
    fi
fi
exec "$app"
