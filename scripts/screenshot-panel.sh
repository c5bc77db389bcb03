#!/usr/bin/env bash
# Saves a picture of the real panel, run against uvcc-helper's simulated
# cameras in a private X server, for the README: the panel as it opens and,
# beside it, scrolled down to the presets.
#
#   scripts/screenshot-panel.sh [BUILD-DIR] [OUT.png]     (defaults: build, docs/panel.png)
#
# Uses the build tree's lumarel-panel-viewer and uvcc-helper (built here when
# missing) and Debian's xvfb, xdotool, imagemagick and x11-utils, which
# scripts/setup.sh installs. Everything started here is stopped on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/panel.png}

for tool in Xvfb xdotool import xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "screenshot-panel: $tool is missing (run scripts/setup.sh)" >&2; exit 2; }
done
viewer="$build/bin/lumarel-panel-viewer"
if [ ! -x "$viewer" ] || [ ! -x "$build/bin/uvcc-helper" ]; then
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target lumarel-panel-viewer uvcc-helper
fi

work=$(mktemp -d)
pids=()
cleanup() {
    # Newest first, so that the panel goes before its X server.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; wait "${pids[$i]}" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

display=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "screenshot-panel: no free X display" >&2; exit 2; }
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

# A private state for the simulated cameras and the preferences, so the
# picture is the same on every machine and the user's own settings stay untouched.
export DISPLAY=$display
export QT_QPA_PLATFORM=xcb
export UVCC_HELPER_SIMULATE="$work/simulated-camera.json"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$viewer" --preferences "$work/preferences.ini" --sample-presets --running-preview & pids+=($!)
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lumarel panel$' | head -n 1)
[ -n "$window" ] || { echo "screenshot-panel: the panel did not appear" >&2; exit 1; }
sleep 1.5
import -window "$window" "$work/opened.png"
# The wheel over the sliders scrolls the panel; it never moves a slider.
xdotool mousemove --window "$window" 160 500
for _ in $(seq 40); do xdotool click 5; done
sleep 0.5
import -window "$window" "$work/scrolled.png"
mkdir -p "$(dirname "$out")"
convert "$work/opened.png" "$work/scrolled.png" -background white -splice 24x0 +append -chop 24x0 "$out"
echo "screenshot-panel: saved $out"
