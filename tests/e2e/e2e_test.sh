#!/usr/bin/env bash
# The whole program as a user runs it, on the X display it is given: the intro plays
# to its end, the menu is driven with the keyboard, Escape starts the outro, and the
# program closes by itself; or the window's close button ends it during the menu;
# or, with --window or --desktop, the picture sits centred in whatever the window is.
# usage: e2e_test.sh BUILD_DIR SUPPORT_DIR CASE [PROGRAM OPTION...]
# Exit status 77: skipped (no data folder in BUILD_DIR).
set -uo pipefail
build=$1 support=$2 case=$3
shift 3
cd "$build" || exit 1
[ -f data/phatfunk.mod ] || { echo "SKIP: no data/phatfunk.mod in $build (build the data target)"; exit 77; }

work=$(mktemp -d)
shots="$build/e2e-shots"
mkdir -p "$shots"
pid=
cleanup() {
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && kill "$pid"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- stdout:"; cat "$work/stdout"
    echo "--- stderr:"; cat "$work/stderr"
    exit 1
}

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
./invitation "$@" >"$work/stdout" 2>"$work/stderr" &
pid=$!

source "$(dirname "$0")/../support/x11.sh"
window=$(wait_window "$PROGRAM_WINDOW" 30 "$pid") || fail "no window, or the program ended before it appeared"

# The window on the screen and the show's 4:3 picture in it, centred, as large as fits.
geometry() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
    if [ $((win_w * 3)) -gt $((win_h * 4)) ]; then pic_h=$win_h pic_w=$((win_h * 4 / 3)); else pic_w=$win_w pic_h=$((win_w * 3 / 4)); fi
    pic_x=$((win_x + (win_w - pic_w) / 2)) pic_y=$((win_y + (win_h - pic_h) / 2))
}
# A rectangle given in 640 x 480 picture pixels, as convert's crop geometry on the screen.
picture_crop() {
    echo "$(($3 * pic_w / 640))x$(($4 * pic_h / 480))+$((pic_x + $1 * pic_w / 640))+$((pic_y + $2 * pic_h / 480))"
}
# In screenshot NAME the bars, where there are any, are black and the menu's backdrop
# reaches every edge of the picture.
picture_fills_centre() {
    if [ $pic_w -lt $win_w ]; then
        left=$(brightest "$1" "$((pic_x - win_x))x${win_h}+${win_x}+${win_y}")
        right=$(brightest "$1" "$((win_x + win_w - pic_x - pic_w))x${win_h}+$((pic_x + pic_w))+${win_y}")
        [ "$left" = 0 ] && [ "$right" = 0 ] || fail "$1: bars not black (brightest $left and $right)"
    fi
    for edge in "0 0 640 8" "0 472 640 8" "0 0 8 480" "632 0 8 480"; do
        m=$(mean "$1" "$(picture_crop $edge)")
        [ "$m" -gt 4 ] || fail "$1: picture edge $edge is dark (mean $m): not filling the centre"
    done
}
notices() { order_notices "$work/stdout"; }
why=$(wait_for_menu "$work/stdout" "$pid") || fail "$why"
sleep 1
geometry

# A key held for a tenth of a second: long enough for frames to see it down and up.
press() {
    xdotool keydown "$1"
    sleep 0.1
    xdotool keyup "$1"
    sleep 0.2
}
shot() { import -window root "$shots/$1.png" || fail "no screenshot"; }
# The page area of the menu (left of the pointer's column).
page() { convert "$shots/$1.png" -crop "$(picture_crop 288 60 272 408)" +repage "$work/$1-page.png"; }
# The brightest channel value in a region of a screenshot, 0 to 255.
brightest() { convert "$shots/$1.png" -crop "$2" +repage -format "%[fx:round(255*maxima)]" info:; }
# The mean of a region, 0 to 255.
mean() { convert "$shots/$1.png" -crop "$2" +repage -format "%[fx:round(255*mean)]" info:; }
# Number of differing pixels between the page areas of two screenshots.
page_difference() { compare -metric AE "$work/$1-page.png" "$work/$2-page.png" null: 2>&1 | cut -d' ' -f1; }

case $case in
menu)
    xdotool windowfocus "$window" 2>/dev/null
    shot entry0-page0; page entry0-page0
    press Down; press space; sleep 1              # position 4 opens entry 2
    shot entry2-page0; page entry2-page0
    press Up; press Up; press Return; sleep 1     # previous page: its last page
    shot entry2-page2; page entry2-page2
    press Return; sleep 1                         # and one more back
    shot entry2-page1; page entry2-page1
    press Up; press Up; press space; sleep 1      # position 0 opens entry 0 again, at its first page
    shot entry0-again; page entry0-again
    for pair in "entry0-page0 entry2-page0" "entry2-page0 entry2-page2" "entry2-page2 entry2-page1"; do
        set -- $pair
        d=$(page_difference "$1" "$2")
        [ "$d" -gt 1000 ] 2>/dev/null || fail "page did not change from $1 to $2 ($d pixels differ)"
    done
    d=$(page_difference entry0-page0 entry0-again)
    [ "$d" = 0 ] || fail "entry 0 reopened does not show its first page ($d pixels differ)"

    kill -0 "$pid" 2>/dev/null || fail "the program ended during the menu"
    start=$(date +%s.%N)
    press Escape
    for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "the program did not end after the outro"
    wait "$pid"; status=$?; pid=
    took=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    echo "$took" | awk '{ exit !($1 >= 7.5 && $1 <= 12) }' || fail "ended ${took}s after Escape, expected about 8"
    [ "$(notices)" -ge 2 ] || fail "order notices missing"
    # The music faded with the picture: the device's last 100 ms are silent
    # (below -60 dBFS), the half second before the fade was not.
    rms() { tail -c "$1" "$work/audio.raw" | head -c "$2" | od -An -v -t d2 |
            awk '{ for (i = 1; i <= NF; i++) { s += $i * $i; n++ } } END { printf "%d", n ? sqrt(s / n) : 0 }'; }
    frame_bytes() { echo $(( $1 * 44100 / 1000 * 4 )); }
    last=$(rms "$(frame_bytes 100)" "$(frame_bytes 100)")
    before=$(rms "$(frame_bytes 3000)" "$(frame_bytes 500)")
    [ "$last" -lt 33 ] || fail "the last 100 ms of sound are not silent (rms $last of 32768)"
    [ "$before" -gt 300 ] || fail "no sound before the fade (rms $before)"
    echo "ended ${took}s after Escape; $(notices) order notices; sound rms $before before the fade, $last at the end; screenshots in $shots"
    ;;
any-size)
    # E2E_WINDOW: the window size expected.
    expected_size=${E2E_WINDOW:?the window size expected}
    [ "${win_w}x${win_h}" = "$expected_size" ] || fail "window is ${win_w}x${win_h}, expected $expected_size"
    xdotool windowfocus "$window" 2>/dev/null
    shot wide-entry0; page wide-entry0
    picture_fills_centre wide-entry0
    press Down; press space; sleep 1              # position 4 opens entry 2
    shot wide-entry2; page wide-entry2
    d=$(page_difference wide-entry0 wide-entry2)
    [ "$d" -gt 1000 ] 2>/dev/null || fail "keys did not change the page ($d pixels differ)"
    if [ "$1" = --window ]; then
        # The picture follows the window's size: 16:9 now, bars beside it.
        xdotool windowsize "$window" 1600 900
        sleep 1
        geometry
        [ "${win_w}x${win_h}" = 1600x900 ] || fail "window is ${win_w}x${win_h} after resizing, expected 1600x900"
        shot resized
        picture_fills_centre resized
    fi
    close_and_wait "$support/x-close-window" "$window" "$pid" 3
    status=$?
    pid=
    [ "$status" -ne 124 ] || fail "the close request did not end the program within 3 seconds"
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    ;;
close-in-menu)
    kill -0 "$pid" 2>/dev/null || fail "the program ended during the menu"
    close_and_wait "$support/x-close-window" "$window" "$pid" 3
    status=$?
    pid=
    [ "$status" -ne 124 ] || fail "the close request did not end the program within 3 seconds"
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    ;;
*)
    fail "unknown case $case"
    ;;
esac
echo "PASS: $case"
