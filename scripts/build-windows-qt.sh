#!/usr/bin/env bash
# Builds a static release Qt (Core, Gui, Widgets, Test, the windows platform plugin) for 64-bit
# Windows with MinGW-w64 from Debian's own qt6-base source, the same version as the host Qt whose
# moc, rcc and uic it uses, into a cache outside the tree:
#   ${VEXTO_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vexto}/qt-<version>-mingw-static
# Once that prefix is complete, a run only prints it. The first build takes 15 to 50 minutes on
# two cores, at nice 19 with VEXTO_QT_JOBS (default 2) jobs. Needs scripts/install-windows-deps.sh.
# Progress goes to stderr; the last line on stdout is the prefix.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
exec 3>&1 1>&2

version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$version" ] || [ ! -x /usr/lib/qt6/libexec/moc ]; then
    echo "The host Qt (qt6-base-dev, qt6-base-dev-tools) is missing: run scripts/install-windows-deps.sh" >&2
    exit 1
fi
cache=${VEXTO_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vexto}
prefix=$cache/qt-${version#*:}-mingw-static
stamp=$prefix/vexto-qt-build.stamp

options=(
    -release -static -static-runtime
    -nomake examples -nomake tests
    -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
    -qt-host-path /usr
    -no-opengl -no-dbus -no-icu -no-fontconfig -no-glib -no-zstd
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion
    -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-concurrent
    -no-feature-xml
    # Debian's tarball leaves out src/3rdparty/wintab, which tablet events need.
    -no-feature-tabletevent
    # Spares building the direct2d platform plugin. Without direct2d, Gui leaves out the DirectWrite
    # font database that the windows plugin still refers to when directwrite3 is on.
    -no-feature-direct2d -no-feature-directwrite3
)
# What the prefix was built from; a prefix whose stamp says otherwise is built again.
expected_stamp="qt6-base $version: ${options[*]}"

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$expected_stamp" ]; then
    echo "$prefix" >&3
    exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vexto-qt.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir build

start=$SECONDS
source_dir=$("$repo/scripts/fetch-debian-source.sh" qt6-base "$version" "$work" | tail -n 1)

rm -rf "$prefix"
mkdir -p "$cache"
echo "Configuring for $prefix"
(cd build && nice -n 19 "$source_dir/configure" -prefix "$prefix" "${options[@]}" -- \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
echo "Configured after $((SECONDS - start)) s"

nice -n 19 cmake --build build --parallel "${VEXTO_QT_JOBS:-2}"
echo "Built after $((SECONDS - start)) s"
nice -n 19 cmake --install build >/dev/null
echo "$expected_stamp" >"$stamp"
echo "Installed after $((SECONDS - start)) s: $(du -sh "$prefix" | cut -f1)"
echo "$prefix" >&3
