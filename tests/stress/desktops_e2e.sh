#!/usr/bin/env bash
# The whole application on the desktops beyond an X server with an XEmbed
# tray (tst_desktop has that one), each in a private session bus:
#  - sni: X11 under xfwm4, with xfce4-panel as the StatusNotifierItem host;
#  - wayland: the application on a headless weston, the same host on a
#    private X server.
# On each the icon's Activate opens the panel and a second one closes it; on
# X11 a click outside and Escape close it too (a headless weston has no
# input to try them with). A screenshot of the open panel of each stays in
# ARTIFACTS.
#
#   desktops_e2e.sh BIN-DIR ARTIFACTS
#
# Exits 77 (skipped) when xfce4-panel, xfwm4, weston or Qt's Wayland plugin
# is not installed.
set -euo pipefail
bin=${1:?usage: desktops_e2e.sh BIN-DIR ARTIFACTS}
artifacts=${2:?}
app="$bin/lumarel"

here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/xsession.sh"
xs_skip_without "desktops test" Xvfb xfce4-panel xfwm4 weston weston-debug
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 \
    || { echo "desktops test: Qt's Wayland plugin (qt6-wayland) is not installed; skipped"; exit 77; }
xs_require "desktops test" dbus-daemon gdbus xdotool xdpyinfo xwininfo import weston-screenshooter

work=$(mktemp -d)
mkdir -p "$artifacts"
# A service the bus started may still be writing its files for a moment.
trap 'xs_cleanup; rm -rf "$work" 2>/dev/null || { sleep 1; rm -rf "$work"; } || true' EXIT
setup=""
fail() {
    echo "desktops test ($setup): $*" >&2
    [ -f "$work/app.log" ] && { echo "--- application:"; tail -n 20 "$work/app.log"; } >&2
    exit 1
}

# A private session bus; the panel's settings service is started on it.
start_bus() {
    local dir=$work/$setup
    mkdir -p "$dir/panel/xfce4/xfconf/xfce-perchannel-xml" "$dir/cache" "$dir/data"
    XDG_CONFIG_HOME="$dir/panel" XDG_CACHE_HOME="$dir/cache" XDG_DATA_HOME="$dir/data" \
        dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/bus" >/dev/null 2>&1 & xs_pids+=($!)
    xs_wait_for 10 test -S "$dir/bus" || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus"
}

host_registered() {
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered \
        2>/dev/null | grep -q true
}

# xfwm4 and a 28 px xfce4-panel along the top with only its tray, at the right.
start_host() {
    local dir=$work/$setup
    cat >"$dir/panel/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="icon-size" type="uint" value="16"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/><value type="int" value="2"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator">
      <property name="expand" type="bool" value="true"/><property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-2" type="string" value="systray"/>
  </property>
</channel>
EOF
    local panel_env=(env -u WAYLAND_DISPLAY GDK_BACKEND=x11 HOME="$dir" XDG_CONFIG_HOME="$dir/panel"
        XDG_CACHE_HOME="$dir/cache" XDG_DATA_HOME="$dir/data")
    "${panel_env[@]}" xfwm4 --compositor=off >/dev/null 2>&1 & xs_pids+=($!)
    "${panel_env[@]}" xfce4-panel -d >/dev/null 2>&1 & xs_pids+=($!)
    xs_wait_for 20 host_registered || fail "xfce4-panel registered no StatusNotifierItem host"
}

# "SERVICE PATH" of the application's item, once it has registered.
item() {
    local name
    name=$(gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems \
        2>/dev/null | grep -o "'[^']*'" | head -n 1 | tr -d "'")
    [ -n "$name" ] || return 1
    case $name in */*) echo "${name%%/*} /${name#*/}" ;; *) echo "$name /StatusNotifierItem" ;; esac
}
# What the host sends for a click on the icon, at the icon's place; a real
# click leaves the pointer there too, and the panel opens under it (the host
# tells no icon geometry).
activate() {
    local it
    it=$(item) || fail "the application's item is gone"
    xdotool mousemove 1266 14
    gdbus call --session -d "${it% *}" -o "${it#* }" -m org.kde.StatusNotifierItem.Activate 1266 14 >/dev/null \
        || fail "Activate was refused"
}

start_app() {
    xs_private_user "$work/$setup/user"
    export DBUS_SESSION_BUS_ADDRESS=${bus_address:?}
    export UVCC_HELPER_SIMULATE="$work/$setup/camera.json"
    mkdir -p "$XDG_CONFIG_HOME/Lumarel"
    printf '[General]\nLumarel.HasLaunchedBefore=true\n' >"$XDG_CONFIG_HOME/Lumarel/Lumarel.conf"
    "$@" "$app" >"$work/app.log" 2>&1 & xs_pids+=($!)
    xs_wait_for 30 item >/dev/null || fail "the application registered no StatusNotifierItem"
}

# --- X11 with a StatusNotifierItem host ----------------------------------------------------------
setup=sni
start_bus
bus_address=$DBUS_SESSION_BUS_ADDRESS
xs_start_xvfb || fail "Xvfb did not start"
start_host
start_app
activate
xs_wait_for 10 xs_panel_window || fail "Activate did not open the panel"
read -r px py < <(xs_panel_window)
{ [ "$py" -gt 14 ] && [ "$py" -le 40 ] && [ $((px + 320)) -le 1280 ] && [ "$px" -ge 900 ]; } \
    || fail "the panel opened at $px,$py, not under the icon at the top right"
import -window root "$artifacts/sni.png"
activate
xs_wait_for 10 sh -c '! xdotool search --onlyvisible --name "^Lumarel$" >/dev/null' \
    || fail "a second Activate did not close the panel"
sleep 0.3 # past the guard against the closing click reaching the icon
activate
xs_wait_for 10 xs_panel_window || fail "Activate did not open the panel again"
xdotool mousemove 300 500 click 1
xs_wait_for 10 sh -c '! xdotool search --onlyvisible --name "^Lumarel$" >/dev/null' \
    || fail "a click outside did not close the panel"
sleep 0.3
activate
xs_wait_for 10 xs_panel_window || fail "Activate did not open the panel a third time"
xdotool key Escape
xs_wait_for 10 sh -c '! xdotool search --onlyvisible --name "^Lumarel$" >/dev/null' \
    || fail "Escape did not close the panel"
xs_cleanup

# --- Wayland, the host on a private X server -----------------------------------------------------
setup=wayland
start_bus
bus_address=$DBUS_SESSION_BUS_ADDRESS
xs_start_xvfb || fail "Xvfb did not start"
start_host
runtime=$work/wayland/compositor
mkdir -p "$runtime" && chmod 700 "$runtime"
# --debug lets weston-debug list the windows and weston-screenshooter take the picture.
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --use-pixman --width=1280 \
    --height=800 --socket=wayland-test --idle-time=0 --debug >"$work/weston.log" 2>&1 & xs_pids+=($!)
xs_wait_for 20 test -S "$runtime/wayland-test" || fail "weston did not start: $(tail -n 2 "$work/weston.log")"
socket=$runtime/wayland-test
# The application's windows: one line each, "WIDTHxHEIGHT".
windows() {
    WAYLAND_DISPLAY=$socket timeout 5 weston-debug scene-graph 2>/dev/null | awk '
        /View [0-9]+ \(role xdg_toplevel/ && /lumarel/ { want = 1; next }
        want && /position:/ { gsub(/[(),]/, " "); print $5 - $2 "x" $6 - $3; want = 0 }'
}
panel_shown() { windows | grep -qx '320x700'; }
panel_gone() { ! panel_shown; }
start_app env -u DISPLAY QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$socket"
activate
xs_wait_for 10 panel_shown || fail "Activate did not open the panel (windows: $(windows | tr '\n' ' '))"
(cd "$work" && WAYLAND_DISPLAY=$socket timeout 10 weston-screenshooter >/dev/null 2>&1 && mv "$work"/wayland-screenshot*.png "$artifacts/wayland.png") \
    || echo "desktops test (wayland): no screenshot" >&2
activate
xs_wait_for 10 panel_gone \
    || fail "a second Activate did not close the panel"
# weston's headless back end has no seat: nothing takes the keyboard focus,
# so closing when another window takes it is left to tst_popoverwindow.
echo "desktops test: StatusNotifierItem on X11 and Wayland behave"
