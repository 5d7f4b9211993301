#!/bin/sh
# Installs every Debian package that building, running and testing Lumaris
# needs, and the PAM service file the screensaver checks passwords with.
# Safe to run again: what is already there is left as it is.
set -eu

packages="
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-mixer-dev libmpg123-dev libsdl2-ttf-dev libsdl2-image-dev
  libgtk-3-dev libx11-dev libxext-dev libxrandr-dev libxrender-dev libxinerama-dev libfontconfig-dev libpam0g-dev zlib1g-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils x11-xserver-utils fonts-dejavu-core lame dconf-cli dconf-gsettings-backend gsettings-desktop-schemas
  xscreensaver xscreensaver-data xserver-xephyr libxss-dev openbox
  dpkg-dev file clang libclang-rt-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 nsis
  qemu-system-x86 debootstrap e2fsprogs
  libwayland-dev wayland-protocols librust-wayland-protocols-dev plasma-wayland-protocols sway grim wtype swayidle weston mutter dbus-daemon
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
"

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    $sudo apt-get install -y -q --no-install-recommends $missing
fi

# The screensaver asks PAM with the service "lumaris": the same checks as a
# login. Without this file the system's default service ("other") applies.
if [ ! -e /etc/pam.d/lumaris ]; then
    $sudo cp "$(dirname "$0")/../src/platform/linux/data/lumaris.pam" /etc/pam.d/lumaris
fi
