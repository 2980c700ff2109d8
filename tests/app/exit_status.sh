#!/usr/bin/env bash
# The process's own contract: an unavailable diagnostic mode prints "Error: " and the quoted
# message on standard error and exits 1; with no display the launcher's error is reported the
# same way.
set -u
vexa=$1
fail() { echo "FAIL: $*"; exit 1; }

err=$("$vexa" --probe-trending --bench-scroll 2>&1 >/dev/null); status=$?
[ "$status" -eq 1 ] || fail "--probe-trending exited $status"
[ "$err" = 'Error: "--probe-trending is not available in this build"' ] || fail "unexpected: $err"

out=$(mktemp); trap 'rm -f "$out"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 HOME="$(dirname "$out")" XDG_DATA_HOME="$out.d" "$vexa" 2>"$out" >/dev/null; status=$?
err=$(tail -n 1 "$out"); rm -rf "$out.d"
[ "$status" -eq 1 ] || fail "start without a display exited $status"
case "$err" in
    'Error: LaunchError { message: "'*) ;;
    *) fail "unexpected: $err" ;;
esac
echo "exit statuses as expected"
