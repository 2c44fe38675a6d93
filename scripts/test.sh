#!/usr/bin/env bash
# Installs what is missing, builds Vexto with its tests and runs every test with CTest.
# Extra arguments go to CMake (for example -DVEXTO_SANITIZE=ON with VEXTO_BUILD_DIR=build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh -DVEXTO_BUILD_TESTS=ON "$@"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${VEXTO_BUILD_DIR:-build}" --output-on-failure --timeout 300
