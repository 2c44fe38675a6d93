#!/usr/bin/env bash
# Builds the Debian package from an existing build folder, installs it, and checks that the
# installed program starts and maps its window on a private X server. Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${VEXTO_BUILD_DIR:-build}
(cd "$build_dir" && cpack -G DEB >/dev/null)
package=$(ls "$build_dir"/vexto_*.deb | head -n 1)
echo "Built $package"

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "./$package" >/dev/null
desktop-file-validate /usr/share/applications/vexto.desktop
test -f /usr/share/icons/hicolor/scalable/apps/vexto.svg

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
