# Helpers for tests that drive the real program on a virtual X display. Sourced.

# wait_window REGEX SECONDS [PID]: prints the id of the first window whose whole name
# matches REGEX, waiting up to SECONDS (0: looks once); fails at once if process PID has ended.
# (xwininfo rather than xdotool, which does not see the name of SDL's message box.)
wait_window() {
    local id
    for _ in $(seq 0 $(( $2 * 10 ))); do
        id=$(xwininfo -root -tree 2>/dev/null | sed -n -E "s/^ *(0x[0-9a-f]+) \"(.*)\": .*/\1 \2/p" |
             grep -E "^[^ ]+ ($1)$" | head -1 | cut -d' ' -f1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        [ -n "${3:-}" ] && ! kill -0 "$3" 2>/dev/null && return 1
        sleep 0.1
    done
    return 1
}

PROGRAM_WINDOW=".* - a party-invitation by Mirvald"

# wait_exit PID SECONDS: waits up to SECONDS for PID (a child of the caller) to end.
# Returns its exit status, or 124 after killing it when it did not end.
wait_exit() {
    for _ in $(seq $(( $2 * 10 ))); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$1" 2>/dev/null; then
        kill "$1"
        wait "$1"
        return 124
    fi
    wait "$1"
}

# close_and_wait CLOSER WINDOW PID SECONDS: sends WINDOW a close request with the
# x-close-window program CLOSER, then wait_exit PID SECONDS.
close_and_wait() {
    "$1" "$2"
    wait_exit "$3" "$4"
}

# order_notices STDOUT: how many order notices the program has written to STDOUT.
order_notices() { grep -c "^Order Callback$" "$1"; }

# wait_for_menu STDOUT PID [POLL]: waits up to 90 seconds for the second order notice
# in STDOUT, written when the menu's music becomes audible, looking every POLL seconds
# (default 0.1). Fails, saying why, when PID ends first or the intro does not end.
wait_for_menu() {
    local poll=${3:-0.1} tries
    tries=$(awk -v p="$poll" 'BEGIN { print int(90 / p) }')
    for _ in $(seq "$tries"); do
        [ "$(order_notices "$1")" -ge 2 ] && return 0
        kill -0 "$2" 2>/dev/null || { echo "the program ended during the intro"; return 1; }
        sleep "$poll"
    done
    echo "the intro did not end within 90 seconds"
    return 1
}
