#!/usr/bin/env bash
# The program on a Wayland desktop: Debian's weston nested in the X display it is given
# (its X11 back end), the program on SDL's wayland driver. Each display mode shows the
# show's picture, takes keys typed into weston's window and ends with status 0 when closed
# the way that desktop closes it; Escape in the menu plays the outro and the program ends
# by itself.
# usage: wayland_test.sh BUILD_DIR CASE
#   CASE: fullscreen | desktop | window (picture, keys, close) or outro (fullscreen, Escape)
# Exit status 77: skipped (no data folder in BUILD_DIR). A missing tool is a failure.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd) case=$2
cd "$build" || exit 1
[ -f data/phatfunk.mod ] || { echo "SKIP: no data/phatfunk.mod in $build (build the data target)"; exit 77; }
for tool in weston xdotool xwininfo import convert compare; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/packages.txt installs it)"; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no X display (run under tests/support/with-xvfb)"; exit 1; }

# weston's own output: the whole 1024 x 768 X screen, so every screen pixel is weston's.
OUTPUT_W=1024 OUTPUT_H=768
work=$(mktemp -d)
shots="$build/desktop-shots/wayland-$case"
rm -rf "$shots"
mkdir -p "$shots"
pid= weston_pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() {
    echo "FAIL: $*"
    for f in stdout stderr weston.log; do echo "--- $f:"; tail -n 40 "$work/$f"; done
    echo "(screenshots in $shots)"
    exit 1
}

# A private runtime folder and socket: nothing of another session is touched or seen.
# Black background and no panel, so that whatever is not black on the screen is the program.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
printf '[core]\nidle-time=0\n[shell]\nbackground-color=0xff000000\npanel-position=none\n' >"$work/weston.ini"
weston --backend=x11-backend.so --use-pixman --socket=wayland-test --config="$work/weston.ini" \
    --width=$OUTPUT_W --height=$OUTPUT_H --log="$work/weston.log" >/dev/null 2>&1 &
weston_pid=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/wayland-test" ] && break; kill -0 $weston_pid 2>/dev/null || break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/wayland-test" ] || fail "weston did not start"
source "$here/../support/x11.sh"
output=$(wait_window "Weston Compositor.*" 10) || fail "no weston window on the X display"
# Keys typed on the X display go to weston's window. Focused before the program starts: a
# focus change on the X side makes weston take the keyboard from the client it had given it to.
xdotool windowfocus --sync "$output" || fail "cannot focus weston's window"
# weston's desktop shell is up once it has drawn its background.
sleep 1

case $case in
fullscreen | outro) options=() ;;
desktop) options=(--desktop) ;;
window) options=(--window) ;;
*) fail "unknown case $case" ;;
esac
# No X display for the program: if SDL could not use Wayland it must fail, not fall back to X.
env -u DISPLAY WAYLAND_DISPLAY=wayland-test SDL_VIDEODRIVER=wayland SDL_AUDIODRIVER=dummy \
    ./invitation "${options[@]}" >"$work/stdout" 2>"$work/stderr" &
pid=$!

why=$(wait_for_menu "$work/stdout" "$pid") || fail "$why"
sleep 1

shot() { import -window root "$shots/$1.png" || fail "no screenshot"; }
mean() { convert "$shots/$1.png" -crop "$2" +repage -format "%[fx:round(255*mean)]" info:; }
# A rectangle given in 640 x 480 picture pixels, as convert's crop geometry on the screen.
picture_crop() {
    echo "$(($3 * pic_w / 640))x$(($4 * pic_h / 480))+$((pic_x + $1 * pic_w / 640))+$((pic_y + $2 * pic_h / 480))"
}
page() { convert "$shots/$1.png" -crop "$(picture_crop 288 60 272 408)" +repage "$work/$1-page.png"; }
page_difference() { compare -metric AE "$work/$1-page.png" "$work/$2-page.png" null: 2>&1 | cut -d' ' -f1; }
# Keys typed into weston's X window reach the client that has weston's keyboard focus. The
# show takes a key at its release, so it must see it down in one frame and up in a later one:
# held for longer than a frame of the program scaled by pixman on a busy machine.
press() {
    xdotool keydown "$1"
    sleep 0.3
    xdotool keyup "$1"
    sleep 0.3
}

shot menu
# Where the picture is: fullscreen and desktop fill weston's 4:3 output (the 640 x 480 mode
# is one SDL emulates by scaling); the window is the only thing drawn on the black desktop,
# its picture below the title bar that libdecor draws.
bounds=$(convert "$shots/menu.png" -trim -format "%w %h %X %Y" info:) || fail "cannot read the screenshot"
read -r bw bh bx by <<<"${bounds//+/}"
if [ "$case" = window ]; then
    title=$((bh - 480))
    [ "$bw" -eq 640 ] && [ "$title" -ge 10 ] && [ "$title" -le 60 ] ||
        fail "drawn area ${bw}x${bh}+${bx}+${by}: not a 640 x 480 window under a title bar"
    pic_w=640 pic_h=480 pic_x=$bx pic_y=$((by + title))
else
    [ "${bw}x${bh}+${bx}+${by}" = "${OUTPUT_W}x${OUTPUT_H}+0+0" ] ||
        fail "drawn area ${bw}x${bh}+${bx}+${by}: the picture does not fill weston's ${OUTPUT_W}x${OUTPUT_H} output"
    pic_w=$OUTPUT_W pic_h=$OUTPUT_H pic_x=0 pic_y=0
fi
# The menu's backdrop reaches every edge of the picture.
for edge in "0 0 640 8" "0 472 640 8" "0 0 8 480" "632 0 8 480"; do
    m=$(mean menu "$(picture_crop $edge)")
    [ "$m" -gt 4 ] || fail "picture edge $edge is dark (mean $m): the menu's backdrop is not shown"
done

page menu
press Down; press space                       # position 4 opens entry 2
# The new page is there once the half-second cross-fade is over: wait for it, a busy machine
# may draw slowly.
for _ in $(seq 10); do
    sleep 0.5
    shot entry2; page entry2
    d=$(page_difference menu entry2)
    [ "$d" -gt 1000 ] 2>/dev/null && break
done
[ "$d" -gt 1000 ] 2>/dev/null || fail "keys did not change the page ($d pixels differ)"
kill -0 "$pid" 2>/dev/null || fail "the program ended during the menu"

# The program's exit status (wait_exit), and no program left for the clean-up to end.
program_exit() {
    wait_exit "$pid" "$1"
    local status=$?
    pid=
    return $status
}
case $case in
outro)
    start=$SECONDS
    press Escape
    program_exit 20; status=$?
    [ $status -ne 124 ] || fail "the program did not end after the outro"
    [ $status -eq 0 ] || fail "exit status $status after the outro, expected 0"
    [ $((SECONDS - start)) -ge 7 ] || fail "ended $((SECONDS - start)) s after Escape, before the outro's 8 s"
    how="Escape, the outro, then its own end after $((SECONDS - start)) s"
    ;;
window)
    # The window's close button, drawn by libdecor at the right end of the title bar.
    xdotool mousemove $((bx + bw - 16)) $((by + title / 2)) click 1
    program_exit 5; status=$?
    [ $status -ne 124 ] || fail "the close button did not end the program within 5 seconds"
    [ $status -eq 0 ] || fail "exit status $status after the close button, expected 0"
    how="the window's close button"
    ;;
*)
    # A fullscreen surface has no decorations and weston's shell has no close key: the user
    # closes weston's window, and the program sees its display go.
    "$build/x-close-window" "$output"
    program_exit 5; status=$?
    [ $status -ne 124 ] || fail "closing weston's window did not end the program within 5 seconds"
    [ $status -eq 0 ] || fail "exit status $status after weston closed, expected 0"
    how="weston's window closed"
    ;;
esac
! grep -q "ERROR: \|runtime error" "$work/stderr" || fail "sanitizer report on stderr"
echo "PASS: $case on weston (${bw}x${bh}+${bx}+${by} drawn; $d page pixels changed by keys; ended by $how)"
