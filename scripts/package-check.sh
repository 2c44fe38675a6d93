#!/usr/bin/env bash
# Builds the Debian package with Debian's flags (scripts/package.sh), holds it to Debian's own
# checker, installs it, checks the installed files, and checks that the installed program starts
# and maps its window on a private X server. Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build_dir=${VEXTO_PACKAGE_DIR:-build-package}
package=$(VEXTO_PACKAGE_DIR=$build_dir scripts/package.sh -DVEXTO_WERROR=ON | tail -n 1)
echo "Built $package ($(stat -c %s "$package") bytes)"

# Debian's checker, info tags shown too; an error or a warning fails the check.
status=0
report=$(lintian --fail-on error,warning --display-info "$package" 2>&1) || status=$?
report=$(grep -v "running with root privileges" <<<"$report" || true)
echo "lintian: ${report:-no tags}"
if [ "$status" -ne 0 ]; then
    echo "lintian reports an error or a warning" >&2
    exit 1
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "./$package" >/dev/null
desktop-file-validate /usr/share/applications/example.vx.vexto.desktop
appstreamcli validate --no-net /usr/share/metainfo/example.vx.vexto.metainfo.xml
test -f /usr/share/icons/hicolor/scalable/apps/vexto.svg
for size in 24 48 64 128 256; do
    file "/usr/share/icons/hicolor/${size}x$size/apps/vexto.png" | grep -q "PNG image data, $size x $size," || {
        echo "no $size px icon" >&2
        exit 1
    }
done
if readelf -d /usr/bin/vexto | grep -qE "RPATH|RUNPATH"; then
    echo "/usr/bin/vexto carries a library search path" >&2
    exit 1
fi
for folder in "$PWD" "$(cd "$build_dir" && pwd)"; do
    if strings -a /usr/bin/vexto | grep -qF "$folder"; then
        echo "/usr/bin/vexto names the build's folder $folder" >&2
        exit 1
    fi
done
echo "Package checks pass: lintian, appstreamcli, desktop-file-validate, icons, no build path."

runtime_dir=$(mktemp -d)
trap 'rm -rf "$runtime_dir"' EXIT
# -noreset: a server that resets when xdotool's polling connection leaves turns the program away.
XDG_RUNTIME_DIR=$runtime_dir timeout 60 xvfb-run -a -s "-noreset -screen 0 1024x768x24" sh -c '
    /usr/bin/vexto & program=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^Vexto$" | head -n 1)
    kill "$program"
    wait "$program" || true
    test -n "$window"
'
echo "The installed package starts and shows its window."
