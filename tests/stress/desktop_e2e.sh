#!/usr/bin/env bash
# The whole application on a real X server with a system tray: start it on
# the simulated camera, open the panel from the tray icon, drag Brightness
# with the mouse, save a preset by typing its name, quit with the panel's
# button, start again; then the camera must hold the dragged value and the
# preferences the preset; the panel opens under the icon and closes on Escape
# and on a click outside. Screenshots of the open panel stay in ARTIFACTS.
#
#   desktop_e2e.sh BIN-DIR PROBE ARTIFACTS
#
# Exits 77 (skipped) only when Xvfb or trayer is not installed.
set -euo pipefail
bin=${1:?usage: desktop_e2e.sh BIN-DIR PROBE ARTIFACTS}
probe=${2:?}
artifacts=${3:?}
app="$bin/lumarel"
helper="$bin/uvcc-helper"

here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/xsession.sh"
xs_skip_without "desktop test" Xvfb trayer
xs_require "desktop test" xdotool xdpyinfo xwininfo import

work=$(mktemp -d)
mkdir -p "$artifacts"
trap 'xs_cleanup; rm -rf "$work"' EXIT
fail() {
    echo "desktop test: $*" >&2
    import -window root "$artifacts/failure.png" 2>/dev/null || true
    exit 1
}

xs_private_user "$work"
export UVCC_HELPER_SIMULATE="$work/camera.json"
preferences="$XDG_CONFIG_HOME/Lumarel/Lumarel.conf"
xs_start_desktop || fail "Xvfb or trayer did not start"

# Where the widgets are, from the same panel code on this display.
UVCC_HELPER_SIMULATE="$work/probe-camera.json" "$probe" "$helper" "$work/probe.conf" >"$work/layout" \
    || fail "the layout probe failed"
at() { awk -v what="$1" '$1 == what { print $2, $3 }' "$work/layout"; }
read -r slider_x slider_y < <(at brightness)
read -r bar_x bar_y < <(at scrollbar)
read -r name_x name_y < <(at name)
read -r save_x save_y < <(at save)
read -r quit_x quit_y < <(at quit)

start_app() {
    "$app" >"$work/app-$1.log" 2>&1 & app_pid=$!; xs_pids+=($app_pid)
    xs_wait_for 30 xs_tray_icon_shown || fail "run $1: no tray icon appeared"
}
open_panel() {
    xs_click_tray
    xs_wait_for 10 xs_panel_window || fail "the panel did not open from the tray icon"
    read -r px py < <(xs_panel_window)
}
quit_app() {
    xdotool mousemove $((px + quit_x)) $((py + quit_y)) click 1
    for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "\"Quit Lumarel\" did not end the application"
    wait "$app_pid" || fail "the application exited with status $?"
}

# First run: drag, save, quit.
start_app 1
open_panel
sleep 0.5
import -window root "$artifacts/panel-open.png"

xdotool mousemove $((px + slider_x)) $((py + slider_y)) mousedown 1
for step in $(seq 1 20); do
    xdotool mousemove $((px + slider_x + step * 4)) $((py + slider_y))
    sleep 0.02
done
xdotool mouseup 1
sleep 0.3
# Scroll the presets into view with the wheel over the scroll bar, where the
# wheel cannot move a slider.
xdotool mousemove $((px + bar_x)) $((py + bar_y)) click --repeat 60 --delay 5 5
sleep 0.3
xdotool mousemove $((px + name_x)) $((py + name_y)) click 1
xdotool type --delay 30 "Desk"
xdotool mousemove $((px + save_x)) $((py + save_y)) click 1
sleep 0.5
import -window root "$artifacts/panel-saved.png"
quit_app

camera=$(UVCC_HELPER_SIMULATE="$UVCC_HELPER_SIMULATE" "$helper" export fe1a:0c01)
brightness=$(grep -o '"brightness":-\?[0-9]*' <<<"$camera" | cut -d: -f2)
[ -n "$brightness" ] || fail "export gave no brightness: $camera"
[ "$brightness" != 0 ] || fail "the drag left brightness at its default 0"
"$probe" --presets "$preferences" >"$work/presets" || fail "cannot read the stored presets"
grep -q "^Desk .*brightness=$brightness\( \|$\)" "$work/presets" \
    || fail "preset Desk with brightness $brightness not stored: $(cat "$work/presets")"

# Second run: it starts with what the first left, and leaves it as it was.
start_app 2
open_panel
sleep 0.5
import -window root "$artifacts/panel-reopened.png"
# Right under the icon at the top right; Escape and a click outside close it.
{ [ "$py" -ge 20 ] && [ "$py" -le 30 ] && [ $((px + 320)) -le 1280 ] && [ "$px" -ge 900 ]; } \
    || fail "the panel opened at $px,$py, not under the icon"
panel_closed() { ! xs_panel_window >/dev/null; }
xdotool key Escape
xs_wait_for 10 panel_closed || fail "Escape did not close the panel"
open_panel
xdotool mousemove 300 500 click 1
xs_wait_for 10 panel_closed || fail "a click outside did not close the panel"
sleep 0.3 # past the guard against the closing click reaching the icon
open_panel
quit_app
"$probe" --presets "$preferences" >"$work/presets-after" || fail "cannot read the stored presets"
cmp -s "$work/presets" "$work/presets-after" || fail "the second run changed the stored presets"
after=$("$helper" export fe1a:0c01)
[ "$after" = "$camera" ] || fail "the second run changed the camera: $after"
echo "desktop test: brightness dragged to $brightness, preset Desk stored; screenshots in $artifacts"
