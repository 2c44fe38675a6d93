#!/usr/bin/env bash
# Starts Vexto again and again natively on a headless Wayland compositor, ends each copy and
# counts the copies still running 10 s later (a hung exit).
#   scripts/wayland-exit-loop.sh [--sway] [runs] [program]
# weston (the default) has no way to ask a window to close from outside, so each copy is ended
# through its End program button, pressed over the accessibility bus. With --sway each copy gets
# the close request the desktop sends (swaymsg kill); sway refuses to run as root, so when run as
# root it runs, with the copies, as the user vextotest, made when missing. The program defaults
# to the one in $VEXTO_BUILD_DIR (default: build); runs default to 200.
set -euo pipefail
cd "$(dirname "$0")/.."

compositor=weston
if [ "${1:-}" = --sway ]; then
    compositor=sway
    shift
fi
runs=${1:-200}
program=$(realpath "${2:-${VEXTO_BUILD_DIR:-build}/bin/vexto}")
work=$(mktemp -d)
compositor_pid=
cleanup() {
    if [ -n "$compositor_pid" ]; then
        kill "$compositor_pid" 2>/dev/null || true
        wait "$compositor_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

wait_for_socket() {
    for _ in $(seq 100); do
        [ -S "$1" ] && return 0
        sleep 0.1
    done
    cat "$work/compositor.log"
    return 1
}

if [ $compositor = weston ]; then
    chmod 700 "$work"
    XDG_RUNTIME_DIR=$work weston --backend=headless-backend.so --socket=exit-loop \
        --idle-time=0 --width=1024 --height=768 >"$work/compositor.log" 2>&1 &
    compositor_pid=$!
    wait_for_socket "$work/exit-loop"
    # The socket as a path: each copy gets a runtime folder of its own.
    WAYLAND_DISPLAY=$work/exit-loop dbus-run-session -- \
        /usr/bin/python3 scripts/wayland-exit-loop.py "$program" "$runs"
    exit
fi

as_user=()
if [ "$(id -u)" -eq 0 ]; then
    id vextotest >/dev/null 2>&1 || useradd -m vextotest
    as_user=(runuser -u vextotest --)
    chown vextotest "$work"
fi
chmod 700 "$work"
# A copy the user can run, wherever the build lies.
cp "$program" "$work/vexto"
chmod 755 "$work/vexto"
"${as_user[@]}" env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway >"$work/compositor.log" 2>&1 &
compositor_pid=$!
wait_for_socket "$work/wayland-1"
for _ in $(seq 100); do
    ipc=$(ls "$work"/sway-ipc.*.sock 2>/dev/null || true)
    [ -n "$ipc" ] && break
    sleep 0.1
done

"${as_user[@]}" env WORK="$work" IPC="$ipc" RUNS="$runs" bash -c '
    hung=0 failed=0
    for run in $(seq "$RUNS"); do
        runtime=$(mktemp -d)
        XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$WORK/wayland-1 QT_QPA_PLATFORM=wayland \
            "$WORK/vexto" 2>/dev/null &
        copy=$!
        for _ in $(seq 200); do
            swaymsg -s "$IPC" -t get_tree | grep -q "\"pid\": $copy," && break
            sleep 0.05
        done
        # A user closes a window that has been drawn.
        sleep 0.2
        swaymsg -s "$IPC" "[pid=$copy] kill" >/dev/null
        for _ in $(seq 100); do
            kill -0 $copy 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 $copy 2>/dev/null; then
            hung=$((hung + 1))
            echo "run $run: still running 10 s after the close request"
            kill -9 $copy
        fi
        wait $copy && code=0 || code=$?
        [ $code -eq 0 ] || [ $code -eq 137 ] || { failed=$((failed + 1)); echo "run $run: exit code $code"; }
        rm -rf "$runtime"
    done
    echo "$RUNS runs under sway: $hung hung on exit, $failed ended with another code than 0"
    [ $hung -eq 0 ] && [ $failed -eq 0 ]'
