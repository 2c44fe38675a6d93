#!/usr/bin/env bash
# Builds Google Benchmark as a static library for 64-bit Windows with MinGW-w64 from Debian's own
# benchmark source (Debian packages it for Linux only), the version of the host's
# libbenchmark-dev, into a cache outside the tree:
#   ${VEXTO_BENCHMARK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vexto}/benchmark-<version>-mingw-static
# Only the Windows benchmarks (scripts/bench-windows.sh) need it. Once that prefix is complete, a
# run only prints it; the first build takes a minute or two. Needs scripts/install-windows-deps.sh.
# Progress goes to stderr; the last line on stdout is the prefix.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
exec 3>&1 1>&2

version=$(dpkg-query -W -f='${source:Version}' libbenchmark-dev 2>/dev/null || true)
if [ -z "$version" ]; then
    echo "libbenchmark-dev is missing: run scripts/install-deps.sh" >&2
    exit 1
fi
cache=${VEXTO_BENCHMARK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vexto}
prefix=$cache/benchmark-${version#*:}-mingw-static
stamp=$prefix/vexto-benchmark-build.stamp

upstream_version=${version#*:}
upstream_version=${upstream_version%-*}
options=(
    # Debian's patches leave the version to its build, which names the upstream one.
    -DGIT_VERSION="$upstream_version"
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DBENCHMARK_ENABLE_TESTING=OFF
    -DBENCHMARK_ENABLE_GTEST_TESTS=OFF
    -DBENCHMARK_ENABLE_INSTALL=ON
    -DBENCHMARK_INSTALL_DOCS=OFF
    # A newer MinGW's warnings must not stop a library we only link.
    -DBENCHMARK_ENABLE_WERROR=OFF
)
# What the prefix was built from; a prefix whose stamp says otherwise is built again.
expected_stamp="benchmark $version: ${options[*]}"

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$expected_stamp" ]; then
    echo "$prefix" >&3
    exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vexto-benchmark.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

start=$SECONDS
source_dir=$("$repo/scripts/fetch-debian-source.sh" benchmark "$version" "$work" | tail -n 1)

rm -rf "$prefix"
mkdir -p "$cache"
nice -n 19 cmake -S "$source_dir" -B build -G Ninja "${options[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
nice -n 19 cmake --build build --parallel "${VEXTO_BENCHMARK_JOBS:-2}"
nice -n 19 cmake --install build >/dev/null
echo "$expected_stamp" >"$stamp"
echo "Installed after $((SECONDS - start)) s: $(du -sh "$prefix" | cut -f1)"
echo "$prefix" >&3
