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
