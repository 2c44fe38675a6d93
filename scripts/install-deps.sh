#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Vexto need, skipping those
# already present. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    libbenchmark-dev
    fonts-liberation2
    xvfb xauth xdotool x11-utils x11-apps libx11-dev metacity
    xclip dbus at-spi2-core python3 python3-pyatspi
    desktop-file-utils dpkg-dev file librsvg2-bin gzip
    lintian appstream man-db binutils
    libwayland-dev wayland-protocols qt6-wayland qt6-gtk-platformtheme
    weston sway wtype grim wl-clipboard cage
)

# sway refuses to run as root: as root, the Wayland tests run it as this user.
test_user=vextotest
make_test_user() {
    if [ "$(id -u)" -eq 0 ] && ! id "$test_user" >/dev/null 2>&1; then
        useradd --create-home --shell /usr/sbin/nologin "$test_user"
    fi
}

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    make_test_user
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
make_test_user
