#!/usr/bin/env bash
# Checks a Vexto installer (argument 1) in a fresh Wine prefix on a private X server: msiexec
# installs the program, its Start-menu shortcut and its entry in the installed-programs list, the
# installed program shows its window and ends when it is closed, and msiexec removes all of it
# again. Given a later version's installer (argument 2), installs that over the first, checks
# that it takes the first one's place and removes it instead. Exits 1 with the failure.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 INSTALLER.msi [LATER-INSTALLER.msi]" >&2
    exit 2
fi
installers=()
for installer in "$@"; do
    if [ ! -f "$installer" ]; then
        echo "No installer $installer" >&2
        exit 2
    fi
    installers+=("$(realpath "$installer")")
done

for tool in wine wineserver Xvfb xdotool strings; do
    if ! command -v "$tool" >/dev/null; then
        echo "wine-msi-check needs $tool" >&2
        exit 2
    fi
done

work=$(mktemp -d /tmp/vexto-wine-check.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer, and no menu entries written into this machine's own desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb=
cleanup() {
    wineserver --kill 2>/dev/null || true
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM

fail() {
    echo "wine-msi-check: $*" >&2
    exit 1
}

# Runs the command that follows the number until it succeeds, for at most that many seconds.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            return 1
        fi
        sleep 0.2
    done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
xvfb=$!
wait_until 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(<"$work/display")
export DISPLAY

timeout 300 wine wineboot --init >"$work/wineboot.log" 2>&1 ||
    fail "wineboot could not make the prefix: $(tail -n 20 "$work/wineboot.log")"
# The prefix is complete once the processes that wineboot started have ended.
timeout 120 wineserver --wait || fail "the prefix's processes did not end"

program=$WINEPREFIX/drive_c/Program\ Files/Vexto/vexto.exe
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
products_key='HKLM\Software\Classes\Installer\Products'

# Runs msiexec with the option and the installer given, logging to the log named third.
run_msiexec() {
    local log=$work/$3.log status=0
    timeout 300 wine msiexec "$1" "$(wine winepath -w "$2")" /qn \
        /l*v "$(wine winepath -w "$log")" || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log" >&2 || true
        fail "msiexec $1 $(basename "$2") failed with exit code $status"
    fi
}

# Prints value $3 of each key under $1 whose value $2 is Vexto.
registry_values() {
    { wine reg query "$1" /s 2>/dev/null || true; } | tr -d '\r' | awk -v key="$2" -v want="$3" '
        function flush() {
            if (values[key] == "Vexto")
                print values[want]
            delete values
        }
        /^HKEY_/ { flush() }
        /^    [^ ]/ {
            count = split(substr($0, 5), parts, "    ")
            value = parts[3]
            for (i = 4; i <= count; i++)
                value = value "    " parts[i]
            values[parts[1]] = value
        }
        END { flush() }'
}

check_installed() {
    test -f "$program" || fail "msiexec installed no $program"
    shortcut=$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Vexto.lnk')
    if [ -z "$shortcut" ] || [ "$(wc -l <<<"$shortcut")" -ne 1 ]; then
        fail "not one Vexto shortcut in a Start menu: ${shortcut:-none}"
    fi
    grep -qaF 'C:\Program Files\Vexto\vexto.exe' "$shortcut" ||
        fail "the shortcut does not start the installed program"
    strings -e l "$shortcut" | grep -q '\\vexto\.ico$' || fail "the shortcut has not the icon"

    version=$(registry_values "$uninstall_key" DisplayName DisplayVersion)
    if [ -z "$version" ] || [ "$(wc -l <<<"$version")" -ne 1 ]; then
        fail "not one Vexto in the installed-programs list: ${version:-none}"
    fi
    local publisher icon
    publisher=$(registry_values "$uninstall_key" DisplayName Publisher)
    test -n "$publisher" || fail "the installed-programs entry names no publisher"
    icon=$(registry_values "$products_key" ProductName ProductIcon)
    if [ -z "$icon" ] || [ ! -f "$(wine winepath -u "$icon")" ]; then
        fail "the installed-programs entry has no icon file: ${icon:-none}"
    fi
    echo "Installed Vexto $version by $publisher, with a shortcut in $(dirname "$shortcut")"
}

window_shown_or_ended() {
    xdotool search --onlyvisible --name '^Vexto$' >/dev/null 2>&1 || ! kill -0 "$1" 2>/dev/null
}

ended() {
    ! kill -0 "$1" 2>/dev/null
}

check_program_runs() {
    local log=$work/vexto.log status=0
    wine 'C:\Program Files\Vexto\vexto.exe' >"$log" 2>&1 &
    local running=$!
    wait_until 60 window_shown_or_ended "$running" ||
        fail "the installed program showed no window within 60 s: $(cat "$log")"
    if ended "$running"; then
        wait "$running" || status=$?
        fail "the installed program ended at once with exit code $status: $(cat "$log")"
    fi
    # Sends the window WM_CLOSE, as its close button does.
    wine taskkill /im vexto.exe >/dev/null || fail "taskkill could not close the program"
    wait_until 30 ended "$running" || fail "the installed program did not end when closed"
    wait "$running" || status=$?
    test "$status" -eq 0 || fail "the closed program ended with exit code $status: $(cat "$log")"
    echo "The installed program showed its window and ended when closed"
}

check_removed() {
    local left
    left=$(find "$WINEPREFIX/drive_c" -iname '*vexto*' -o -path '*/windows/Installer/*')
    test -z "$left" || fail "msiexec /x left $left"
    test -z "$(registry_values "$uninstall_key" DisplayName DisplayVersion)" ||
        fail "msiexec /x left Vexto in the installed-programs list"
    test -z "$(registry_values "$products_key" ProductName ProductName)" ||
        fail "msiexec /x left Vexto among the installed products"
    echo "Removed: no file and no entry of Vexto left"
}

run_msiexec /i "${installers[0]}" install
check_installed
check_program_runs
if [ ${#installers[@]} -eq 2 ]; then
    first=$version
    run_msiexec /i "${installers[1]}" upgrade
    check_installed
    test "$version" != "$first" || fail "the later installer left version $first in place"
    check_program_runs
fi
run_msiexec /x "${installers[-1]}" remove
check_removed
