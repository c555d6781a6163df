#!/usr/bin/env bash
# The program as a user starts it: no display, a display without 640x480 (its message box
# dismissed or the process signalled), and a 640x480 one.
# usage: program_test.sh BUILD_DIR SUPPORT_DIR CASE
set -uo pipefail
build=$1 support=$2 case=$3
cd "$build"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
source "$(dirname "$0")/../support/x11.sh"
fail() { echo "FAIL: $*"; echo "--- stderr:"; cat "$log"; exit 1; }


case $case in
no-display)
    start=$(date +%s)
    env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 ./invitation 2>"$log"
    status=$?
    [ $status -eq 1 ] || fail "exit status $status, expected 1"
    grep -qx "Error: cannot init opengl-window" "$log" || fail "no error line"
    [ $(( $(date +%s) - start )) -le 5 ] || fail "took too long"
    ;;
no-640x480-mode)
    ./invitation 2>"$log" &
    pid=$!
    box=$(wait_window Error 20) || fail "no message box"
    "$support/x-close-window" "$box"
    wait $pid
    status=$?
    [ $status -eq 1 ] || fail "exit status $status, expected 1"
    grep -qx "Error: cannot init opengl-window" "$log" || fail "no error line"
    ;;
signal-in-message-box)
    # Both signals a user or a supervisor sends; each must end the process, box and all.
    for signal in TERM INT; do
        ./invitation 2>"$log" &
        pid=$!
        wait_window Error 20 $pid >/dev/null || fail "no message box"
        kill -$signal $pid
        for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
        if kill -0 $pid 2>/dev/null; then kill -KILL $pid; wait $pid; fail "SIG$signal did not end the program"; fi
        wait $pid
        status=$?
        [ $status -eq 1 ] || fail "exit status $status after SIG$signal, expected 1"
        for _ in $(seq 30); do wait_window Error 0 >/dev/null || break; sleep 0.1; done
        ! wait_window Error 0 >/dev/null || fail "the message box outlived the program after SIG$signal"
    done
    ;;
close-request)
    ./invitation >/dev/null 2>"$log" &
    pid=$!
    window=$(wait_window "$PROGRAM_WINDOW" 30) || fail "no window"
    xdotool getwindowgeometry "$window" | grep -q "Geometry: 640x480" || fail "window is not 640x480"
    sleep 1
    kill -0 $pid 2>/dev/null || fail "program ended by itself"
    close_and_wait "$support/x-close-window" "$window" $pid 10
    status=$?
    [ $status -ne 124 ] || fail "close request did not end the program"
    [ $status -eq 0 ] || fail "exit status $status, expected 0"
    ;;
*)
    fail "unknown case $case"
    ;;
esac
echo "PASS: $case"
