#!/usr/bin/env bash
# Prints the Windows build's figures, taken under Wine on private X servers: start-up of vexto.exe
# beside bare Qt windows built the same way (without a window manager, then under metacity); one
# keystroke until the grid is repainted beside the same in a bare line edit, through the windows
# platform plugin and GDI; and the sizes of vexto.exe, as built and stripped as the zip holds it,
# of the zip and of the installer. Builds what it needs first: the Linux bench_startup in
# $VEXTO_BUILD_DIR (default: build), Google Benchmark for MinGW once, into a cache outside the
# tree (scripts/build-windows-benchmark.sh), and a Windows build with benchmarks and without
# unit tests in $VEXTO_WINDOWS_BUILD_DIR (default: build-windows-bench), which leaves
# build-windows alone. Build output goes to stderr, figures to stdout.
set -euo pipefail
cd "$(dirname "$0")/.."

host_build=${VEXTO_BUILD_DIR:-build}
windows_build=$(realpath -m "${VEXTO_WINDOWS_BUILD_DIR:-build-windows-bench}")

build() {
    scripts/install-deps.sh
    scripts/install-windows-deps.sh
    local qt_prefix benchmark_prefix
    qt_prefix=$(scripts/build-windows-qt.sh | tail -n 1)
    benchmark_prefix=$(scripts/build-windows-benchmark.sh | tail -n 1)

    cmake -S . -B "$host_build" -G Ninja -DVEXTO_BUILD_BENCHMARKS=ON
    cmake --build "$host_build" --parallel "$(nproc)" --target bench_startup
    # Optimised as the shipped program is: scripts/build-windows.sh's settings, and its packages.
    VEXTO_WINDOWS_BUILD_DIR=$windows_build scripts/build-windows.sh \
        -DCMAKE_PREFIX_PATH="$qt_prefix;$benchmark_prefix" \
        -DVEXTO_BUILD_TESTS=OFF -DVEXTO_BUILD_BENCHMARKS=ON
}

keystroke() {
    local prefix
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/vexto-wine.XXXXXX")
    # shellcheck disable=SC2064 # the prefix is known now
    trap "WINEPREFIX='$prefix' wineserver -k 2>/dev/null || true; rm -rf '$prefix'" RETURN
    # No offer to install Mono or Gecko while the prefix is made; no Wine chatter. Wine's own
    # processes are ended before the X server they show on.
    # shellcheck disable=SC2016 # the inner shell expands them
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" sh -c '
            wineboot --init && wineserver -w || exit
            status=0
            wine "$0/bin/bench_keystroke.exe" --benchmark_filter=keystroke \
                --benchmark_repetitions=5 || status=$?
            wineserver -k
            exit $status' "$windows_build"
}

size_line() {
    local bytes
    bytes=$(stat -c %s "$2")
    printf '%-34s %10d bytes  %8s\n' "$1" "$bytes" "$(numfmt --to=iec-i --suffix=B "$bytes")"
}

sizes() {
    local version
    version=$(<"$windows_build/packaging/windows/version")
    size_line "vexto.exe as built" "$windows_build/bin/vexto.exe"
    size_line "vexto.exe stripped (in the zip)" "$windows_build/packaging/windows/vexto.exe"
    size_line "zip" "$windows_build/vexto-$version-windows-x64.zip"
    size_line "installer (MSI)" "$windows_build/vexto-$version-x64.msi"
}

build >&2

echo "== Start-up under Wine (wall time until the window is mapped) =="
"$host_build/bin/bench_startup" --wine "$windows_build"
echo
"$host_build/bin/bench_startup" --wine "$windows_build" --metacity
echo
echo "== One keystroke in X until repainted, under Wine through GDI =="
keystroke
echo
echo "== Sizes =="
sizes
