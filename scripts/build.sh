#!/usr/bin/env bash
# Configures and builds Vexto into $VEXTO_BUILD_DIR (default: build). Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${VEXTO_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
