#!/usr/bin/env bash
# The program as a user starts it: no display, a display without 640x480, a 640x480 one,
# from another folder, with no data anywhere, and with options it does not know.
# usage: program_test.sh BUILD_DIR SUPPORT_DIR CASE
set -uo pipefail
build=$1 support=$2 case=$3
cd "$build"
log=$(mktemp)
elsewhere=$(mktemp -d)
trap 'rm -rf "$log" "$elsewhere"' EXIT
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
    grep -q "^Hint: .*--desktop.*--window" "$log" || fail "no hint line"
    ;;
data-beside)
    # Run from a folder without data: the data beside the program is found, no message.
    (cd "$elsewhere" && exec "$build/invitation") >/dev/null 2>"$log" &
    pid=$!
    window=$(wait_window "$PROGRAM_WINDOW" 30 $pid) || fail "no window"
    sleep 1
    close_and_wait "$support/x-close-window" "$window" $pid 10
    status=$?
    [ $status -eq 0 ] || fail "exit status $status, expected 0"
    grep -q "^Error" "$log" && fail "messages about the data"
    ;;
no-data)
    # Neither here nor beside the program: one message naming both places, status 1.
    mkdir "$elsewhere/bin" "$elsewhere/work"
    cp invitation "$elsewhere/bin/"
    (cd "$elsewhere/work" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$elsewhere/bin/invitation") 2>"$log"
    status=$?
    [ $status -eq 1 ] || fail "exit status $status, expected 1"
    [ "$(grep -c "^Error" "$log")" -eq 1 ] || fail "not exactly one message"
    grep -qx "Error: no data folder: neither $elsewhere/work/data nor $elsewhere/bin/data exists" "$log" ||
        fail "the message does not name both places"
    ;;
usage)
    ./invitation --help >"$elsewhere/out" 2>"$log" || fail "--help failed"
    grep -q -- "--window" "$elsewhere/out" && grep -q -- "--desktop" "$elsewhere/out" &&
        grep -q -- "--data DIR" "$elsewhere/out" || fail "--help does not name the options"
    ./invitation --fullscreen >"$elsewhere/out" 2>"$log"
    status=$?
    [ $status -eq 2 ] || fail "exit status $status for an unknown option, expected 2"
    [ ! -s "$elsewhere/out" ] && grep -q "^usage: invitation" "$log" || fail "no usage on stderr"
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
