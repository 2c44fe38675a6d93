#!/usr/bin/env bash
# Runs the Windows build's unit tests under Wine, on a private X server, in a Wine prefix of
# their own that is made anew each time. Run scripts/build-windows.sh first.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${VEXTO_WINDOWS_BUILD_DIR:-build-windows}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vexto-wine.XXXXXX")
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" sh -c '
    wineboot --init && wineserver -w &&
    ctest --test-dir "$0" --output-on-failure --timeout 300' "$build_dir"
