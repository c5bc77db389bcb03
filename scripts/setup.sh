#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running, packaging and
# testing Lumarel need, and only those that are missing, so that a second run
# costs nothing.
set -euo pipefail

# What each step needs; with no argument, all of it.
#
#   setup.sh [build] [run] [package] [test]
build=(
    cmake g++ make pkg-config dpkg-dev file
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libgl-dev
    nlohmann-json3-dev
    # translations: lupdate and lrelease
    qt6-l10n-tools
)
# Qt's platform plugins, SVG icons, the GStreamer back end of Qt Multimedia,
# and Qt's translations of its own texts
run=(qt6-qpa-plugins libqt6svg6 gstreamer1.0-plugins-base gstreamer1.0-plugins-good qt6-translations-l10n)
# dpkg-buildpackage with debhelper
package=(debhelper)
# lintian for the package, a private X server with a tray, screenshots, fuzzing and sanitizers with clang,
# v4l2-ctl to check the V4L2 back end against a program we did not write, a
# private bus daemon to stand in for logind, and the StatusNotifierItem and
# Wayland desktops: xfce4-panel under xfwm4, weston with Qt's Wayland plugin
test=(
    lintian xvfb trayer xdotool imagemagick x11-utils fonts-dejavu-core
    clang libclang-rt-14-dev v4l-utils dbus-daemon libglib2.0-bin
    xfce4-panel xfwm4 weston qt6-wayland
    # the checkers of the AppStream file, the desktop entries and the manual pages
    appstream desktop-file-utils man-db groff-base
)

steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=(build run package test)
packages=()
for step in "${steps[@]}"; do
    case $step in
        build) packages+=("${build[@]}") ;;
        run) packages+=("${run[@]}") ;;
        package) packages+=("${build[@]}" "${package[@]}") ;;
        test) packages+=("${build[@]}" "${run[@]}" "${package[@]}" "${test[@]}") ;;
        *) echo "setup: unknown step \"$step\" (build, run, package, test)" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup: need root or sudo to install packages" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
