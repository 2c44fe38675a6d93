#!/usr/bin/env bash
# Builds the Debian package into $VEXTO_PACKAGE_DIR (default: build-package) with Debian's own
# compiler and linker flags, every hardening feature on, and neither tests nor benchmarks.
# Extra arguments go to CMake. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${VEXTO_PACKAGE_DIR:-build-package}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# The resource compiler stamps each embedded file with this time instead of the file's own.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/changelog -STimestamp)
export SOURCE_DATE_EPOCH
# The build does not track the environment, so a resource file made before must be made again.
if [ -d "$build_dir" ]; then
    find "$build_dir" -path '*/.rcc/qrc_*.cpp' -delete
fi
# CMake reads no CPPFLAGS, which carry the fortify level; given on the command line, the flags
# also reach a build folder configured before.
VEXTO_BUILD_DIR=$build_dir scripts/build.sh \
    -DCMAKE_BUILD_TYPE=None \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" \
    -DVEXTO_BUILD_TESTS=OFF -DVEXTO_BUILD_BENCHMARKS=OFF "$@" >&2
rm -f "$build_dir"/vexto_*.deb
(cd "$build_dir" && cpack -G DEB >&2)
ls "$build_dir"/vexto_*.deb
