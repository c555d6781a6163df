#!/usr/bin/env bash
# The program as a user starts it: no display, a display without 640x480 (its message box
# dismissed or the process signalled), a display that came up after SDL looked for it, a
# 640x480 one, from another folder, with no data anywhere, and with options it does not know.
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
no-640x480-mode|display-after-start)
    # display-after-start: SDL could not open the display at start and fell back to its
    # offscreen driver; the display is there for the message box.
    if [ "$case" = display-after-start ]; then SDL_VIDEODRIVER=offscreen ./invitation 2>"$log" &
    else ./invitation 2>"$log" &
    fi
    pid=$!
    box=$(wait_window Error 20) || fail "no message box"
    # Still up a moment later: a box that crashes while laying itself out shows only briefly.
    sleep 0.5
    xwininfo -id "$box" >/dev/null 2>&1 || fail "the message box went away by itself"
    "$support/x-close-window" "$box"
    wait $pid
    status=$?
    [ $status -eq 1 ] || fail "exit status $status, expected 1"
    grep -qx "Error: cannot init opengl-window" "$log" || fail "no error line"
    [ "$case" = display-after-start ] || grep -q "^Hint: .*--desktop.*--window" "$log" || fail "no hint line"
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
fifo-data)
    # A FIFO where a picture belongs is a picture that cannot be opened: its two
    # messages, and start-up goes on. Where the module belongs, the music cannot
    # play. Neither holds start-up up.
    [ -f data/phatfunk.mod ] || { echo "SKIP: no data/ in $build"; exit 77; }
    work=$(mktemp -d)
    trap 'rm -f "$log"; rm -rf "$work"' EXIT
    mkdir "$work/data"
    ln -s "$build"/data/* "$work/data/"
    rm "$work/data/kopf.bmp" && mkfifo "$work/data/kopf.bmp"
    (cd "$work" && INVITATION_NO_MESSAGE_BOXES=1 exec "$build/invitation" >/dev/null 2>"$log") &
    pid=$!
    window=$(wait_window "$PROGRAM_WINDOW" 30 $pid) || fail "no window with a FIFO as a picture"
    close_and_wait "$support/x-close-window" "$window" $pid 10
    status=$?
    [ $status -eq 0 ] || fail "exit status $status with a FIFO as a picture, expected 0"
    grep -qxF 'Error: texture data\kopf.bmp not found!' "$log" || fail "no \"not found\" line"
    grep -qxF 'Error: Failed to open DIB file data\kopf.bmp.' "$log" || fail "no \"Failed to open\" line"

    rm "$work/data/kopf.bmp" "$work/data/phatfunk.mod"
    ln -s "$build/data/kopf.bmp" "$work/data/kopf.bmp"
    mkfifo "$work/data/phatfunk.mod"
    (cd "$work" && INVITATION_NO_MESSAGE_BOXES=1 exec timeout 20 "$build/invitation" >/dev/null 2>"$log")
    status=$?
    [ $status -eq 1 ] || fail "exit status $status with a FIFO as the module, expected 1"
    grep -qx "Error: cannot play audio" "$log" || fail "no \"cannot play audio\" line"
    ;;
*)
    fail "unknown case $case"
    ;;
esac
echo "PASS: $case"
