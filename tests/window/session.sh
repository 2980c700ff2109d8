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
