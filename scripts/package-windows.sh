#!/usr/bin/env bash
# Packages a Windows build (argument 1, default: build-windows) of Vexto, whose bin/vexto.exe is
# built: a zip holding the stripped program alone, and an installer made with wixl from the
# source that CMake configured. Prints the two packages' paths.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath "${1:-$source_dir/build-windows}")
program=$build_dir/bin/vexto.exe
windows_dir=$build_dir/packaging/windows
for file in "$program" "$windows_dir/vexto.wxs" "$windows_dir/version"; do
    if [ ! -f "$file" ]; then
        echo "No $file: configure and build $build_dir for Windows first" >&2
        exit 1
    fi
done
version=$(<"$windows_dir/version")

# The copy wixl takes lies beside its source, where it looks for the files the source names.
stripped=$windows_dir/vexto.exe
x86_64-w64-mingw32-strip -o "$stripped" "$program"
touch -r "$program" "$stripped"
python3 "$source_dir/scripts/windows-resources-check.py" "$stripped" "$version"

zip_file=$build_dir/vexto-$version-windows-x64.zip
rm -f "$zip_file"
# -X: no owner or Unix times, which a Windows unzip ignores anyway.
zip -q -X -j "$zip_file" "$stripped"

msi_file=$build_dir/vexto-$version-x64.msi
rm -f "$msi_file"
wixl -a x64 -o "$msi_file" "$windows_dir/vexto.wxs"

echo "$zip_file"
echo "$msi_file"
