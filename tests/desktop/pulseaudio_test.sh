#!/usr/bin/env bash
# The program's sound through a real sound server: Debian's pulseaudio with a null sink, the
# program on the X display it is given playing to it (SDL's pulseaudio driver), its sound
# recorded from the sink's monitor with parec while the show is driven with xdotool: the
# intro, the menu, Escape, the outro to its own end. The capture plays the same show (Escape
# released at the same instant of the show, timed live from the menu's order notice) and its
# audio.wav must be what was heard: every 250 ms window
# with music correlates at 0.9 or more, none is silent.
# usage: with-xvfb SIZE with-pulseaudio pulseaudio_test.sh BUILD_DIR (both in tests/support)
# Exit status 77: skipped (no data folder in BUILD_DIR). A missing tool is a failure.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
cd "$build" || exit 1
[ -f data/phatfunk.mod ] || { echo "SKIP: no data/phatfunk.mod in $build (build the data target)"; exit 77; }
for tool in parec xdotool; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/packages.txt installs it)"; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no X display (run under tests/support/with-xvfb)"; exit 1; }
[ -n "${PULSE_SERVER:-}" ] || { echo "FAIL: no sound server (run under tests/support/with-pulseaudio)"; exit 1; }

work=$(mktemp -d)
pid= recorder_pid=
stop() { [ -n "$1" ] && kill "$1" 2>/dev/null && wait "$1" 2>/dev/null; }
cleanup() {
    stop "$pid"; stop "$recorder_pid"
    [ -n "${KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() {
    echo "FAIL: $*"
    if [ -f "$work/recording.raw" ]; then
        kept=$build/desktop-shots/pulseaudio
        rm -rf "$kept"; mkdir -p "$kept"
        cp "$work/recording.raw" "$kept/" && cp "$work/frames/audio.wav" "$kept/" 2>/dev/null
        echo "(the recording and the capture's audio.wav are kept in $kept)"
    fi
    for f in "$work"/{stdout,stderr,parec.log} "${PULSEAUDIO_SERVER_LOG:-}"; do
        [ -f "$f" ] && { echo "--- $(basename "$f"):"; tail -n 30 "$f"; }
    done
    exit 1
}

# The recorder and the program get a higher priority where that is allowed (as root), as
# the server has (with-pulseaudio), so that what is compared is what the program plays, not
# what a builds-busy machine dropped. (nice goes on at the normal priority where it is not
# allowed.)
priority=(nice -n -15)   # nice executes the command: $! is its process

# The capture first: its show, Escape released at ESCAPE_MS, and the instant the music's
# second order (the menu) begins in it, from its log (frame,time_ms,phase,order,...).
ESCAPE_MS=10500
printf '%d escape down\n%d escape up\n' $((ESCAPE_MS - 200)) $ESCAPE_MS >"$work/show.keys"
./invitation-capture --frames-dir "$work/frames" --keys "$work/show.keys" --log "$work/show.csv" \
    >/dev/null 2>"$work/capture.log" || { cat "$work/capture.log"; fail "the capture failed"; }
menu_ms=$(awk -F, 'NR > 1 && $4 == 1 { print int($2); exit }' "$work/show.csv")
[ -n "$menu_ms" ] || fail "the capture's log has no frame of the music's second order"

"${priority[@]}" parec --device=invitation.monitor --format=s16le --rate=44100 --channels=2 --raw \
    >"$work/recording.raw" 2>"$work/parec.log" &
recorder_pid=$!

# llvmpipe draws with one thread a core and the program draws without pause (Xvfb has no
# vertical sync): that would take every core from the sound's thread, which a desktop's GPU
# does not. One drawing thread leaves a core for the sound.
LP_NUM_THREADS=1 SDL_AUDIODRIVER=pulseaudio "${priority[@]}" ./invitation >"$work/stdout" 2>"$work/stderr" &
pid=$!
source "$here/../support/x11.sh"
window=$(wait_window "$PROGRAM_WINDOW" 30 "$pid") || fail "no window, or the program ended before it appeared"
# The second order notice is written when that order becomes audible: the show's clock,
# live, is known from then on. Looked for often, so that it is known to a few milliseconds.
why=$(wait_for_menu "$work/stdout" "$pid" 0.02) || fail "$why"
menu_began=$(date +%s%N)
xdotool windowfocus "$window" 2>/dev/null
# Escape down as in the capture, released at the same instant of the show: the menu takes
# the key at its release.
wait_until() { local left=$(( ($1 - menu_ms) * 1000000 - ($(date +%s%N) - menu_began) )); [ $left -gt 0 ] && sleep "$(printf '%d.%09d' $((left / 1000000000)) $((left % 1000000000)))"; }
wait_until $((ESCAPE_MS - 200)); xdotool keydown Escape
wait_until $ESCAPE_MS; xdotool keyup Escape
for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after the outro"
wait "$pid"; status=$?; pid=
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
# The last of the sound reaches the monitor a device buffer and the server's latency later.
sleep 0.5
stop "$recorder_pid"; recorder_pid=
echo "the menu begins ${menu_ms} ms into the show; $(stat -c %s "$work/recording.raw") bytes recorded"
"$build/sound-compare" "$work/frames/audio.wav" "$work/recording.raw" || fail "the sound heard is not the capture's"
# The comparison hears a dropout: the same recording with 50 ms of silence 5 s in must fail.
cut=$((44100 * 4 * 5))
{ head -c $cut "$work/recording.raw"; head -c $((2205 * 4)) /dev/zero; tail -c +$((cut + 1)) "$work/recording.raw"; } \
    >"$work/dropout.raw"
"$build/sound-compare" "$work/frames/audio.wav" "$work/dropout.raw" >"$work/dropout.txt" &&
    { cat "$work/dropout.txt"; fail "a recording with a 50 ms dropout passed the comparison"; }
echo "PASS: the program's sound through pulseaudio is the capture's"
