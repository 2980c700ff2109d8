#!/usr/bin/env bash
# The window as a person sees it, on its own Xvfb server:
#  - at 1280x800 the navigation rail sits beside the content;
#  - at 560x800 it is collapsed, and with --narrow it is open over the content;
#  - a wheel scroll on Home, opening a video and going back restores the scroll position.
#   rail_and_scroll.sh VEXA PROBE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2
. "$(dirname "$0")/session.sh"

stop() {
    "$probe" --title Vexa --timeout-ms 5000 --close >/dev/null
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    wait "$pid" 2>/dev/null
    pid=
}
pixel() { "$probe" --title Vexa --timeout-ms 20000 --pixel "$1" | awk '/^pixel/ { print $3 }'; }
# The page's look below the top bar, leaving out the scroll indicator, which shows for a while
# after scrolling.
look() { window_hash --hash-exclude-right 20 --hash-from-y 80; }

rail=15151a   # the rail's fill in the dark theme

start --route=home
[ "$(pixel 40,600)" = "$rail" ] || fail "wide window: no rail beside the content at x=40"
stop

start --route=home --window-size=560x800
p=$(pixel 40,600)
[ "$p" != "$rail" ] || fail "narrow window: the rail is not collapsed"
stop

start --narrow --window-size=560x800
[ "$(pixel 40,600)" = "$rail" ] || fail "narrow window with --narrow: the rail is not open over the content"
stop

# Scroll, open a video, go back: the offset comes back. Looks are taken with the pointer parked
# on an empty part of the top bar, so no hover shows in them; coordinates are the window's.
start --route=home
found=$("$probe" --title Vexa --timeout-ms 20000) || fail "no window"
window=$(awk '/^id / { print $2 }' <<<"$found")
[ -n "$window" ] || fail "the probe did not name the window"
at() { xdotool mousemove --window "$window" --sync "$1" "$2"; }
park() { at 900 33; }
park
top=$(settled_look)
at 700 500
for _ in 1 2 3 4 5 6; do xdotool click 5; done
park
wait_look "$top" changed >/dev/null || fail "the wheel did not scroll Home"
scrolled=$(settled_look) || fail "Home did not settle after scrolling"
# The first visit makes the video the newest watch, whose card then shows a progress bar; the
# second visit, of the same video, must come back to exactly that look.
at 700 400
xdotool click 1
park
wait_look "$scrolled" changed >/dev/null || fail "clicking a row did not open its video"
watching=$(settled_look)
xdotool key --window "$window" Escape
wait_look "$watching" changed >/dev/null || fail "Escape did not leave the video"
back=$(settled_look) || fail "Home did not settle after going back"
# Still scrolled: the wheel can take it up (at the top it could not move).
at 700 500
for _ in 1 2 3 4 5 6; do xdotool click 4; done
park
wait_look "$back" changed >/dev/null || fail "going back lost the scroll position"
at 700 500
for _ in 1 2 3 4 5 6; do xdotool click 5; done
park
scrolled=$(settled_look) || fail "Home did not settle after scrolling again"
at 700 400
xdotool click 1
park
wait_look "$scrolled" changed >/dev/null || fail "clicking the row again did not open its video"
xdotool key --window "$window" Escape
wait_look "$scrolled" same >/dev/null || fail "going back did not restore the scrolled Home page"
stop
echo "rail and scroll behave"
