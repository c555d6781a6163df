#!/usr/bin/env bash
# The program plays its module: on SDL's disk driver under a virtual X display,
# the audio file grows at 44100 stereo 16-bit frames a second and holds exactly
# the module's sound; stdout holds only whole order notices, flushed at the end.
# usage: program_music_test.sh BUILD_DIR   (exits 77, skipped, without data/phatfunk.mod)
set -uo pipefail
build=$(cd "$1" && pwd)
cd "$build"
[ -f data/phatfunk.mod ] || { echo "SKIP: no data/phatfunk.mod in $build"; exit 77; }
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
source "$(dirname "$0")/../support/x11.sh"
fail() { echo "FAIL: $*"; echo "--- stderr:"; cat "$work/stderr"; exit 1; }

size() { stat -c %s "$1" 2>/dev/null || echo 0; }

raw=$work/audio.raw
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$raw INVITATION_NO_MESSAGE_BOXES=1 \
    ./invitation >"$work/stdout" 2>"$work/stderr" &
pid=$!
window=$(wait_window "$PROGRAM_WINDOW" 30) || fail "no window"
for _ in $(seq 100); do [ "$(size "$raw")" -gt 0 ] && break; sleep 0.1; done
[ "$(size "$raw")" -gt 0 ] || fail "no audio written"
sleep 0.5
first=$(size "$raw"); start=$(date +%s.%N)
sleep 2
last=$(size "$raw"); end=$(date +%s.%N)
rate=$(awk -v a="$first" -v b="$last" -v s="$start" -v e="$end" 'BEGIN { printf "%d", (b - a) / (e - s) }')
echo "audio file grows by $rate bytes a second"
[ "$rate" -gt 149940 ] && [ "$rate" -lt 202860 ] || fail "expected about 176400 bytes a second (44100 x 2 channels x 2 bytes)"

kill -0 $pid 2>/dev/null || fail "program ended by itself"
close_and_wait "$build/x-close-window" "$window" $pid 10
status=$?
[ $status -ne 124 ] || fail "close request did not end the program"
[ $status -eq 0 ] || fail "exit status $status, expected 0"

bytes=$(size "$raw")
[ $(( bytes % 4 )) -eq 0 ] || fail "$bytes bytes is not a whole number of stereo frames"
rms=$(od -An -v -t d2 "$raw" | awk '{ for (i = 1; i <= NF; i++) { s += $i * $i; n++ } } END { printf "%d", n ? sqrt(s / n) : 0 }')
echo "rms $rms"
[ "$rms" -gt 300 ] || fail "the audio is silent (rms $rms)"
"$build/music-render-offline" data/phatfunk.mod $(( bytes / 4 )) "$work/module.raw" || fail "cannot render the module"
# The device may have written buffers of silence (4096 bytes each) before it was started.
same=
for skip in $(seq 0 4096 65536); do
    cmp -s -n "$skip" "$raw" /dev/zero || break
    cmp -s -i "$skip:0" -n $(( bytes - skip )) "$raw" "$work/module.raw" && { same=yes; break; }
done
[ -n "$same" ] || fail "the audio differs from the module rendered offline"

notices=$(grep -c "^Order Callback$" "$work/stdout")
[ "$notices" -ge 1 ] || fail "no order notice on stdout"
printf '\nOrder Callback\n%.0s' $(seq "$notices") | cmp -s - "$work/stdout" || fail "stdout holds more than whole order notices"
echo "PASS: $notices order notices, $(( bytes / 4 )) frames of the module's sound"
