#!/usr/bin/env bash
# Which closed windows end the real application, on a private X server with
# the simulated camera and a first launch each time:
#  - without a system tray the panel has a window of its own: closing the
#    welcome window leaves Lumarel running, closing the panel's window ends it;
#  - with a tray, closing the welcome window (its only window) leaves Lumarel
#    running with its tray icon, which still opens the panel;
#  - lumarel --help and --version answer without a display and leave the
#    running copy alone; an unknown argument is refused with status 2.
#
#   lifetime_e2e.sh BIN-DIR CLOSEWINDOW
#
# Exits 77 (skipped) only when Xvfb or trayer is not installed.
set -euo pipefail
bin=${1:?usage: lifetime_e2e.sh BIN-DIR CLOSEWINDOW}
closewindow=${2:?}
app="$bin/lumarel"

here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/xsession.sh"
xs_skip_without "lifetime test" Xvfb trayer
xs_require "lifetime test" xdotool xdpyinfo xwininfo

work=$(mktemp -d)
trap 'xs_cleanup; rm -rf "$work"' EXIT
# What the application printed goes with a failure: without it a crash on a
# loaded CI machine leaves nothing to go on.
fail() {
    echo "lifetime test: $*" >&2
    local log
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log"):"; tail -n 40 "$log"; } >&2
    done
    exit 1
}

# The id of the visible Lumarel window of WIDTH x HEIGHT: 320 x 700 is the
# panel, 480 x 400 the welcome window.
app_window() {
    local id
    for id in $(xdotool search --onlyvisible --class '^lumarel$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id" | sed 's/^/window_/')"
        if [ "$window_WIDTH" = "$1" ] && [ "$window_HEIGHT" = "$2" ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}
no_window() { ! app_window "$@" >/dev/null; }
running() { kill -0 "$app_pid" 2>/dev/null; }
# A first launch for a new private user, started once its welcome window is up.
start_app() {
    xs_private_user "$work/$1"
    export UVCC_HELPER_SIMULATE="$work/$1/camera.json"
    "$app" >"$work/$1.log" 2>&1 & app_pid=$!; xs_pids+=($app_pid)
    xs_wait_for 30 app_window 480 400 || fail "$1: no welcome window appeared"
}
close_window() {
    local id
    id=$(app_window "$1" "$2") || fail "no $1 x $2 window to close"
    "$closewindow" "$id" || fail "could not ask window $id to close"
}

# Without a tray: an X server of its own, without trayer.
xs_start_xvfb || fail "Xvfb did not start"

start_app window
app_window 320 700 >/dev/null || fail "window mode: the panel has no window of its own"
close_window 480 400
xs_wait_for 10 no_window 480 400 || fail "window mode: the welcome window did not close"
sleep 1
running || fail "window mode: closing the welcome window ended the application"
app_window 320 700 >/dev/null || fail "window mode: closing the welcome window closed the panel"
close_window 320 700
for _ in $(seq 150); do running || break; sleep 0.1; done
running && fail "window mode: closing the panel's window did not end the application"
wait "$app_pid" || fail "window mode: the application exited with status $?"
xs_cleanup

# With a tray.
xs_start_desktop || fail "Xvfb or trayer did not start"
start_app tray
xs_wait_for 30 xs_tray_icon_shown || fail "tray mode: no tray icon appeared"
close_window 480 400
xs_wait_for 10 no_window 480 400 || fail "tray mode: the welcome window did not close"
sleep 1
running || fail "tray mode: closing the welcome window ended the application"
xs_tray_icon_shown || fail "tray mode: the tray icon went with the welcome window"
xs_click_tray
xs_wait_for 10 app_window 320 700 || fail "tray mode: the tray icon no longer opens the panel"

# The command line, while that copy runs.
help=$(env -u DISPLAY "$app" --help) || fail "--help exited with status $?"
grep -q '^Usage: lumarel \[--help | --version\]$' <<<"$help" || fail "--help printed: $help"
version=$(env -u DISPLAY "$app" --version) || fail "--version exited with status $?"
[[ $version =~ ^lumarel\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed: $version"
status=0
refusal=$(env -u DISPLAY "$app" --frobnicate 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || fail "an unknown argument exited with status $status"
[ "$(wc -l <<<"$refusal")" -eq 1 ] && grep -q -- '--frobnicate' <<<"$refusal" \
    || fail "an unknown argument was refused with: $refusal"
sleep 1
running || fail "asking the command line ended the running copy"
echo "lifetime test: both modes and the command line behave"
