#!/usr/bin/env bash
# Checks a Vexto installer (argument 1) in a fresh Wine prefix on a private X server: msiexec
# installs the program, its Start-menu shortcut and its entry in the installed-programs list, the
# installed program shows its window and ends when it is closed, a user can drive it (type into it,
# copy its grid, start a second copy, end it with its button), and msiexec removes all of it
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

for tool in wine wineserver Xvfb metacity xdotool xwininfo xprop xclip strings \
    x86_64-w64-mingw32-gcc; do
    if ! command -v "$tool" >/dev/null; then
        echo "wine-msi-check needs $tool" >&2
        exit 2
    fi
done

work=$(mktemp -d /tmp/vexto-wine-check.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer, and no menu entries written into this machine's own desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb='' manager=''
cleanup() {
    wineserver --kill 2>/dev/null || true
    for server in $manager $xvfb; do
        kill "$server" 2>/dev/null || true
    done
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
# A window manager, as on a desktop: it takes a minimised window off the screen.
metacity --sm-disable --no-composite >"$work/metacity.log" 2>&1 &
manager=$!
has_window_manager() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}
wait_until 20 has_window_manager ||
    fail "metacity did not take over the screen: $(cat "$work/metacity.log")"

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

# Starts the installed program and waits for its window: $running is its wine process, which ends
# with the program's exit code, and $window its X window.
start_program() {
    wine 'C:\Program Files\Vexto\vexto.exe' >"$work/vexto.log" 2>&1 &
    running=$!
    wait_until 60 window_shown_or_ended "$running" ||
        fail "the installed program showed no window within 60 s: $(cat "$work/vexto.log")"
    if ended "$running"; then
        local status=0
        wait "$running" || status=$?
        fail "the installed program ended at once with exit code $status: $(cat "$work/vexto.log")"
    fi
    window=$(xdotool search --onlyvisible --name '^Vexto$' | head -n 1)
}

# Checks that the program ends with exit code 0 when $1.
check_ended() {
    local status=0
    wait_until 30 ended "$running" || fail "the installed program did not end when $1"
    wait "$running" || status=$?
    test "$status" -eq 0 ||
        fail "the program ended with exit code $status when $1: $(cat "$work/vexto.log")"
}

check_program_runs() {
    start_program
    # Sends the window WM_CLOSE, as its close button does.
    wine taskkill /im vexto.exe >/dev/null || fail "taskkill could not close the program"
    check_ended closed
    echo "The installed program showed its window and ended when closed"
}

mapped() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

unmapped() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsUnMapped'
}

# Prints the client area of window $1 as "WIDTHxHEIGHT X Y", X and Y on the screen.
client_area() {
    xwininfo -id "$1" | awk '/Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { print w "x" h, x, y }'
}

clipboard() {
    timeout 5 xclip -selection clipboard -o 2>/dev/null | tr -d '\r'
}

# Succeeds when the clipboard holds a grid (a header and 49 cells) with each line given.
clipboard_holds() {
    local text line
    text=$(clipboard) || return 1
    test "$(head -n 1 <<<"$text")" = $'Cell\tX\tY' && test "$(wc -l <<<"$text")" -eq 50 || return 1
    for line in "$@"; do
        grep -qxF "$line" <<<"$text" || return 1
    done
}

# Copies the grid with Ctrl+Shift+C and waits a second for the clipboard to hold the lines given;
# no oftener, as a copy made while the clipboard is read may cancel the read.
copy_holds() {
    xdotool key ctrl+shift+c
    for _ in 1 2 3 4 5; do
        sleep 0.2
        clipboard_holds "$@" && return 0
    done
    return 1
}

# Checks within 20 s that the copied grid holds the lines given, described by $1.
check_copy() {
    local what=$1 found
    shift
    wait_until 20 copy_holds "$@" && return
    # What the clipboard says of the cells expected.
    found=$(clipboard | awk -F '\t' -v cells="$(printf '%s\n' "$@" | cut -f 1)" '
        BEGIN { split(cells, names, "\n"); for (i in names) want[names[i]] }
        $1 in want { gsub("\t", " "); found = found (found ? "; " : "") $0 }
        END { print found }' || true)
    fail "the grid copied $what lacks one of $(printf '%s; ' "$@" | tr '\t' ' ')the clipboard" \
        "holds $(clipboard | wc -l) lines, among them: ${found:-none}"
}

# Drives the program as a user would: copies its grid, types into it, starts a second copy while
# it is minimised, and ends it with its End program button.
drive_program() {
    start_program
    local area status=0 spy others x y
    area=$(client_area "$window")
    test "${area%% *}" = 578x457 || fail "the window's client area is ${area%% *}, not 578x457"

    timeout 20 xdotool windowactivate --sync "$window" || fail "the window took no focus"
    check_copy "at start" $'PStart\t0.00\t0.00' $'R1\t8.00\t0.00' $'RD9\t24.00\t-12.00'
    # X has the focus at start.
    xdotool type 7
    check_copy "after typing 7" $'PStart\t7.00\t0.00' $'R1\t15.00\t0.00'
    echo "The grid copied to the clipboard shows the start values, and typing in X moves it"

    # Wine minimises a window that has no minimise box, as this one, only when a Windows program
    # asks; it turns the window manager's request down. So a Windows program minimises it.
    wine "$user" minimise || fail "the window could not be minimised"
    wait_until 20 unmapped "$window" || fail "the minimised window stayed on the screen"
    # Every window that a manager manages, even for a moment, shows in this list.
    xprop -root -spy _NET_CLIENT_LIST >"$work/windows.log" 2>&1 &
    spy=$!
    wait_until 20 test -s "$work/windows.log" || fail "xprop did not watch the window list"
    wine "$user" second-copy 'C:\Program Files\Vexto\vexto.exe' >"$work/second.log" 2>&1 ||
        status=$?
    test "$status" -eq 0 || fail "a second copy ended with exit code $status (124: it ran on" \
        "for 60 s): $(cat "$work/second.log")"
    handed=$(wine "$user" block | tr -d '\r' | paste -sd '|') || fail "$handed"
    test "$handed" = 'one|two three|C:\dir\|four' ||
        fail "the second copy handed over $handed, not one|two three|C:\\dir\\|four"
    wait_until 20 mapped "$window" || fail "the first copy did not restore its minimised window"
    kill "$spy"
    others=$(grep -o '0x[0-9a-f]*' "$work/windows.log" | grep -vx "$(printf '0x%x' "$window")" |
        sort -u | tr '\n' ' ' || true)
    test -z "$others" || fail "a second copy showed a window: $others"
    echo "A second copy ended with exit code 0 and no window, handed its parameters over as" \
        "the system splits them, and the first came back"

    area=$(client_area "$window")
    read -r _ x y <<<"$area"
    xdotool mousemove $((x + 528)) $((y + 436)) click 1
    check_ended "End program was clicked"
    echo "The program ended with exit code 0 from its End program button"
}

# Starts the installed program as a shortcut set to run maximised, then minimised, would. A
# window manager here turns down maximising a window of fixed size, which Windows does not: Wine
# manages the windows itself meanwhile, as Windows does.
check_start_up_states() {
    local state x11_driver='HKCU\Software\Wine\X11 Driver'
    wine reg add "$x11_driver" /v Managed /d N /f >/dev/null
    for state in maximised minimised; do
        wine "$user" start $state 'C:\Program Files\Vexto\vexto.exe' >"$work/start.log" 2>&1 ||
            fail "started $state: $(tr -d '\r' <"$work/start.log")"
    done
    wine reg delete "$x11_driver" /v Managed /f >/dev/null
    echo "Started maximised, the window shows maximised; started minimised, it waits on the" \
        "task bar without taking the foreground"
}

# A start-up that fails is reported as the system reports an unhandled error, and ends with 1.
check_start_up_failure() {
    wine "$user" lock-taken 'C:\Program Files\Vexto\vexto.exe' >"$work/failure.log" 2>&1 ||
        fail "with its lock's name taken: $(tr -d '\r' <"$work/failure.log")"
    # The report's text goes to standard error too.
    grep -q '^Exception EAssertionFailed in module vexto\.exe at [0-9A-F]\{8\}\.' \
        "$work/failure.log" || fail "the report did not name the error and vexto.exe:" \
        "$(tr -d '\r' <"$work/failure.log")"
    echo "With its lock's name taken, the program reported an Application Error and ended" \
        "with exit code 1"
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

# What has to be done from inside Windows: minimising, starting as a shortcut would, reading the
# hand-over block.
user=$work/wine-user.exe
x86_64-w64-mingw32-gcc -O2 -Wall -o "$user" "$(dirname "$0")/../tests/e2e/wine-user.c" ||
    fail "could not build $user"

run_msiexec /i "${installers[0]}" install
check_installed
check_program_runs
drive_program
check_start_up_states
check_start_up_failure
if [ ${#installers[@]} -eq 2 ]; then
    first=$version
    run_msiexec /i "${installers[1]}" upgrade
    check_installed
    test "$version" != "$first" || fail "the later installer left version $first in place"
    check_program_runs
fi
run_msiexec /x "${installers[-1]}" remove
check_removed
