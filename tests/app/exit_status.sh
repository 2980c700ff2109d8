#!/usr/bin/env bash
# The process's own contract: a diagnostic mode that fails prints "Error: " and the quoted message
# on standard error and exits 1, one that succeeds exits 0 with its report on standard output; a
# "--live-shots" with nothing after it selects no mode, so the launcher starts and, with no
# display, its error is reported the same way. yt-dlp is a stand-in that fails at once, and
# nothing here reaches the network.
set -u
vexa=$1
fail() { echo "FAIL: $*"; exit 1; }

err=$("$vexa" --probe-ytdlp cats --bench-scroll 2>&1 >/dev/null); status=$?
[ "$status" -eq 1 ] || fail "--probe-ytdlp exited $status"
last=$(printf '%s\n' "$err" | tail -n 1)
[ "$last" = 'Error: "yt-dlp backend: yt-dlp --version failed"' ] || fail "unexpected: $err"

out=$("$vexa" --bench-scroll 2 2>/dev/null); status=$?
[ "$status" -eq 0 ] || fail "--bench-scroll exited $status"
first=$(printf '%s\n' "$out" | head -n 1)
[ "$first" = 'vexa scroll bench: 80 Home cards, 1280x900, 2 scroll frames' ] || fail "unexpected: $first"
printf '%s\n' "$out" | grep -qx '  scroll frames took the reposition-only fast path: yes (compute_layout skipped)' || fail "no verdict: $out"

for arguments in "" "--live-shots"; do
    out=$(mktemp)
    # shellcheck disable=SC2086
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 HOME="$(dirname "$out")" XDG_DATA_HOME="$out.d" "$vexa" $arguments 2>"$out" >/dev/null; status=$?
    err=$(tail -n 1 "$out"); rm -rf "$out" "$out.d"
    [ "$status" -eq 1 ] || fail "start '$arguments' without a display exited $status"
    case "$err" in
        'Error: LaunchError { message: "'*) ;;
        *) fail "unexpected for '$arguments': $err" ;;
    esac
done
echo "exit statuses as expected"
