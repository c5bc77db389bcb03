#!/usr/bin/env bash
# Starts Lumarel from the build tree. Until the application exists this shows
# what the helper reports.
set -euo pipefail
build=${1:-build}
helper="$build/bin/uvcc-helper"
if [ "$("$helper" devices 2>/dev/null)" = "[]" ] || [ -z "$("$helper" devices 2>/dev/null)" ]; then
    export UVCC_HELPER_SIMULATE="${XDG_STATE_HOME:-$HOME/.local/state}/lumarel/simulated-camera.json"
    mkdir -p "$(dirname "$UVCC_HELPER_SIMULATE")"
    echo "No webcam found: using the simulated camera ($UVCC_HELPER_SIMULATE)."
fi
for cmd in devices export ranges; do
    echo "\$ uvcc-helper $cmd"
    "$helper" "$cmd" || true
done
