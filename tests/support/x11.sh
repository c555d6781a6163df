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

# close_and_wait CLOSER WINDOW PID SECONDS: sends WINDOW a close request with the
# x-close-window program CLOSER and waits up to SECONDS for PID (a child of the
# caller) to end. Returns its exit status, or 124 after killing it when it did not end.
close_and_wait() {
    "$1" "$2"
    for _ in $(seq $(( $4 * 10 ))); do kill -0 "$3" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$3" 2>/dev/null; then
        kill "$3"
        wait "$3"
        return 124
    fi
    wait "$3"
}
