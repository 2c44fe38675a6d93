#!/usr/bin/env bash
# Installs the Debian 12 packages that cross-building Vexto for Windows and testing it under Wine
# need, skipping those already present, and adds a source entry beside the machine's own apt
# entries (so that scripts/build-windows-qt.sh can fetch Debian's Qt source) when it is missing.
# Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix
    wine wine64 wixl
    xvfb xauth zip
    # Building the static Qt: the host Qt supplies moc, rcc, uic and friends, and must be the
    # same version as the source; perl runs Qt's header generator; dpkg-dev unpacks the source.
    cmake ninja-build perl xz-utils dpkg-dev
    qt6-base-dev qt6-base-dev-tools
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

# The machine's deb822 sources, as a deb-src copy under a name of ours.
sources_dir=/etc/apt/sources.list.d
source_entry=$sources_dir/vexto-deb-src.sources
need_update=0
has_deb_src() {
    grep -qsE '^[[:space:]]*Types:.*deb-src' "$sources_dir"/*.sources ||
        grep -qsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list "$sources_dir"/*.list
}
if ! has_deb_src; then
    if [ ! -f "$sources_dir/debian.sources" ]; then
        echo "No $sources_dir/debian.sources to derive a deb-src entry from" >&2
        exit 1
    fi
    echo "Adding $source_entry"
    sed -E 's/^([[:space:]]*Types:).*/\1 deb-src/' "$sources_dir/debian.sources" |
        "${as_root[@]}" tee "$source_entry" >/dev/null
    need_update=1
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ] && [ "$need_update" -eq 0 ]; then
    exit 0
fi

"${as_root[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
