#!/usr/bin/env bash
# Fetches Debian's source package $1 at version $2 (the version of the host's own build of it)
# into a new folder under $3, unpacked and patched. Progress goes to stderr; the last line on
# stdout is the source folder. Needs a deb-src entry (scripts/install-windows-deps.sh adds one).
set -euo pipefail
exec 3>&1 1>&2

package=$1 version=$2 work=$3
if ! apt-cache showsrc "$package" 2>/dev/null | grep -qx "Version: $version"; then
    echo "Debian's source of $package $version is not available: run scripts/install-windows-deps.sh," >&2
    echo "and if the installed build of $package is older than the source, upgrade it." >&2
    exit 1
fi

mkdir "$work/source"
# apt downloads as _apt when it may, which needs to reach and write the folder.
chmod 0755 "$work"
if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then
    chown _apt "$work/source"
fi
echo "Fetching Debian's $package $version source into $work"
(cd "$work/source" && apt-get source -qq "$package=$version")
find "$work/source" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1 >&3
