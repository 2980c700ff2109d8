#!/usr/bin/env bash
# The History page in the real window, on its own Xvfb server with a private data directory,
# over the sample catalogue. Started on the (empty) History page, three videos are opened one
# after another from the action palette (Ctrl+K, a word of the title, a click on the first
# row), each time going back with Escape. The page then lists them newest first, as the
# offscreen reference of the same steps shows; "Clear history" empties it ("Nothing watched
# yet", no button), and the application started again finds the history empty.
#   history_page.sh VEXA PROBE COMPARE REFERENCE_DIR HISTORY_PROBE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 compare=$3 references=$4 history_probe=$5
. "$(dirname "$0")/session.sh"

look() { window_hash; }

start --route=history
await_window 1280x800
# The pointer rests in the window's top-left corner, where nothing shows a hover.
xdotool mousemove 0 0
page_look=$(settled_look) || fail "the History page did not settle"

# The palette's first row, whose middle is at (640, 205) for a title of one line or two.
for step in donut:vid_donut moon:vid_moon_base solders:vid_solder; do
    query=${step%%:*}
    xdotool key --window "$window" ctrl+k
    wait_look "$page_look" changed >/dev/null || fail "Ctrl+K did not open the palette"
    # The palette keeps its last query: the new one replaces it.
    xdotool key --window "$window" ctrl+a
    xdotool type --window "$window" --delay 20 "$query"
    palette_look=$(settled_look) || fail "the palette did not settle after typing $query"
    xdotool mousemove --window "$window" --sync 640 205 click 1
    xdotool mousemove 0 0
    wait_look "$palette_look" changed >/dev/null || fail "choosing the palette's row for $query did not open ${step##*:}"
    page_look=$(back_with_escape) || fail "Escape did not leave the Watch page of ${step##*:}"
done
matches_reference "$references/window-history-three-dark-1280.png" \
    || fail "the History page does not list the three videos newest first as the reference does"

# "Clear history" sits at the right end of the page's header.
xdotool mousemove --window "$window" --sync 809 107 click 1
xdotool mousemove 0 0
matches_reference "$references/window-history-cleared-dark-1280.png" \
    || fail "after Clear history the page is not the reference's empty History page"
stop

listed=$(HOME=$home XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state "$history_probe" 2>>"$log") || fail "the history probe failed"
[ -z "$listed" ] || fail "after Clear history and a restart the history still holds: $(tr '\n' ' ' <<<"$listed")"
echo "the History page lists three opened videos newest first and Clear history empties it for good"
