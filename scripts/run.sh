#!/usr/bin/env bash
# Installs what is missing, builds Vexto and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh -DVEXTO_BUILD_TESTS=OFF -DVEXTO_BUILD_BENCHMARKS=OFF

program=${VEXTO_BUILD_DIR:-build}/bin/vexto
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Vexto is built at $program, but there is no display to show its window on." >&2
    echo "Start it from a desktop session (or under xvfb-run)." >&2
    exit 1
fi
exec "$program" "$@"
