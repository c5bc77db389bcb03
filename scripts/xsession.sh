# Shell functions for driving Lumarel on a private X server with a system
# tray (Debian's xvfb, trayer, xdotool, x11-utils). Sourced by the desktop
# tests and the desktop benchmark; everything started here is stopped by
# xs_cleanup, newest first.

xs_pids=()

# The tools a desktop test needs. xs_skip_without NAME TOOL...: exits 77
# (skipped) when one is not installed, for what a developer's machine may
# lack; xs_require NAME TOOL...: fails, for what the setup script installs.
xs_skip_without() {
    local name=$1 tool; shift
    for tool; do
        command -v "$tool" >/dev/null || { echo "$name: $tool is not installed; skipped"; exit 77; }
    done
}
xs_require() {
    local name=$1 tool; shift
    for tool; do
        command -v "$tool" >/dev/null || { echo "$name: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
    done
}

xs_cleanup() {
    local i
    for ((i = ${#xs_pids[@]} - 1; i >= 0; i--)); do
        kill "${xs_pids[$i]}" 2>/dev/null || true
        wait "${xs_pids[$i]}" 2>/dev/null || true
    done
    xs_pids=()
}

# Polls CMD every 10 ms for up to SECONDS; true once it succeeds.
xs_wait_for() {
    local deadline=$((SECONDS + $1)); shift
    while ((SECONDS <= deadline)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.01
    done
    return 1
}

# A private user under WORK: home, XDG directories and no session bus, so that
# Qt embeds its tray icon in the X tray rather than looking for another host.
xs_private_user() {
    local work=$1
    export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
    export XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SESSION_MANAGER
    export QT_QPA_PLATFORM=xcb
}

# Starts Xvfb (1280x800) and exports DISPLAY once it accepts clients. The
# server picks a free display itself and says which: choosing one here from
# the lock files raced with other servers starting at the same moment. It
# never resets: by default it does when its last client leaves, and a client
# connecting during the reset (Lumarel just after xdpyinfo) is turned away.
xs_start_xvfb() {
    local number
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$number" >/dev/null 2>&1 & xs_pids+=($!)
    if ! xs_wait_for 20 grep -q . "$number"; then
        rm -f "$number"
        return 1
    fi
    export DISPLAY=":$(head -n 1 "$number")"
    rm -f "$number"
    xs_wait_for 10 xdpyinfo
}

# Starts Xvfb and trayer at its top right. False when either does not come up.
xs_start_desktop() {
    xs_start_xvfb || return 1
    trayer --edge top --align right --widthtype pixel --width 120 --height 24 --transparent false \
        >/dev/null 2>&1 & xs_pids+=($!)
    xs_wait_for 10 xs_tray_window
}

xs_tray_window() {
    xdotool search --name '^panel$' 2>/dev/null | head -n 1 | grep .
}

# Prints the screen centre "X Y" of the icon embedded in the tray: the first
# child window that trayer maps with a real size (it keeps a 1x1 one of its own).
xs_tray_icon() {
    local tray
    tray=$(xs_tray_window) || return 1
    xwininfo -children -id "$tray" 2>/dev/null | awk '
        $1 ~ /^0x/ && match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+/) {
            split(substr($0, RSTART, RLENGTH), f, /[x+ ]+/)
            if (f[1] > 1 && f[2] > 1) { print f[5] + int(f[1] / 2), f[6] + int(f[2] / 2); found = 1; exit }
        }
        END { exit !found }'
}

xs_tray_icon_shown() {
    xs_tray_icon >/dev/null
}

xs_click_tray() {
    local x y
    read -r x y < <(xs_tray_icon) || return 1
    xdotool mousemove "$x" "$y" click 1
}

# Prints "X Y" of the visible 320 x 700 window titled Lumarel: the panel.
xs_panel_window() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Lumarel$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id" | sed 's/^/panel_/')"
        if [ "$panel_WIDTH" = 320 ] && [ "$panel_HEIGHT" = 700 ]; then
            echo "$panel_X $panel_Y"
            return 0
        fi
    done
    return 1
}
