#!/usr/bin/env bash
# Cross-builds Vexto for 64-bit Windows into $VEXTO_WINDOWS_BUILD_DIR (default: build-windows):
# installs what is missing, builds the static Qt once into a cache outside the tree (the first
# time takes 15 to 50 minutes on two cores; later runs find it), then vexto.exe, one file with
# no DLLs beside it, the unit tests to run under Wine (scripts/test-windows.sh), and the packages:
# a zip of vexto.exe alone and an installer. Extra arguments go to CMake. Optimised as Debian builds its packages, at -O2: GCC 12 at -O3 warns of
# overlapping copies inside std::string that cannot happen (its bug 105329).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/install-windows-deps.sh
qt_prefix=$(scripts/build-windows-qt.sh | tail -n 1)

build_dir=${VEXTO_WINDOWS_BUILD_DIR:-build-windows}
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt_prefix" \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/wine \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DVEXTO_BUILD_TESTS=ON -DVEXTO_BUILD_BENCHMARKS=OFF "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
scripts/package-windows.sh "$build_dir"
