# Sourced by the window tests that drive vexa after `vexa=` is set: the offline fence, a private
# home for vexa's files and its log, `start` and `fail`, and clean-up on exit of whatever is left
# running and every temporary folder.
. "$(dirname "${BASH_SOURCE[0]}")/offline.sh"
home=$(mktemp -d)
log=$home/log
pid=
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$home" "$offline_dir"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$log"; exit 1; }
# Starts vexa in the background with the given arguments.
start() {
    HOME=$home XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state "$vexa" "$@" >"$log" 2>&1 &
    pid=$!
}
# The hash of the window's pixels; extra arguments narrow what the probe counts.
window_hash() { "$probe" --title Vexa --timeout-ms 20000 --hash "$@" | awk '/^hash/ { print $2 }'; }
# The colour of the window's pixel at $1 ("x,y").
pixel() { "$probe" --title Vexa --timeout-ms 20000 --pixel "$1" | awk '/^pixel/ { print $3 }'; }
# Waits (at most 10 s) until the pixel at $1 equals $2 ("same") or differs from it ("changed").
wait_pixel() {
    local at=$1 want=$2 mode=$3 now
    for _ in $(seq 1 100); do
        now=$(pixel "$at")
        if [ "$mode" = same ] && [ "$now" = "$want" ]; then return 0; fi
        if [ "$mode" = changed ] && [ -n "$now" ] && [ "$now" != "$want" ]; then return 0; fi
        sleep 0.1
    done
    return 1
}
# The waits below read the window through the test's own `look`, defined after sourcing this.
# Waits until the look differs from $1 ("changed") or equals it ("same"), at most 10 s; prints
# the last look.
wait_look() {
    local want=$1 mode=$2 now
    for _ in $(seq 1 100); do
        now=$(look)
        if [ "$mode" = same ] && [ "$now" = "$want" ]; then echo "$now"; return 0; fi
        if [ "$mode" = changed ] && [ "$now" != "$want" ]; then echo "$now"; return 0; fi
        sleep 0.1
    done
    echo "$now"
    return 1
}
# Prints the look once two readings $settle_step seconds apart agree (50 tries at most).
settle_step=0.2
settled_look() {
    local previous current
    previous=$(look)
    for _ in $(seq 1 50); do
        sleep "$settle_step"
        current=$(look)
        [ "$current" = "$previous" ] && { echo "$current"; return 0; }
        previous=$current
    done
    echo "$current"
    return 1
}
# Waits until a photograph of the window matches the reference picture $1 within the screenshot
# tolerance, at most 10 s; prints how they differ when they never do. Uses the test's `probe` and
# `compare`.
matches_reference() {
    local result
    for _ in $(seq 1 50); do
        "$probe" --title Vexa --timeout-ms 20000 --png "$home/shot.png" >/dev/null
        result=$("$compare" "$home/shot.png" "$1") && return 0
        sleep 0.2
    done
    echo "$result"
    return 1
}
# Closes the window as a window manager does and waits for vexa to exit with success.
stop() {
    "$probe" --title Vexa --timeout-ms 5000 --close >/dev/null
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then fail "vexa did not exit after its window was closed"; fi
    wait "$pid"
    local status=$?
    pid=
    [ "$status" -eq 0 ] || fail "vexa exited with status $status"
}
# Waits for vexa's window at the size $1 (WxH) and sets `window` to its X id.
await_window() {
    local found
    found=$("$probe" --title Vexa --expect-size "$1" --timeout-ms 20000) || fail "no $1 window"
    window=$(awk '/^id / { print $2 }' <<<"$found")
    [ -n "$window" ] || fail "the probe did not name the window"
}
# Once something opened from a page has settled, goes back with Escape and prints the look of
# the page it comes back to, settled; fails when Escape changes nothing.
back_with_escape() {
    local opened
    opened=$(settled_look)
    xdotool key --window "$window" Escape
    wait_look "$opened" changed >/dev/null || return 1
    settled_look
    return 0
}
