#!/usr/bin/env bash
# The chrome's controls and the Watch page's queue and share buttons in a real window on its own
# Xvfb server, on the sample catalogue:
#  - each rail entry, clicked, opens its route (its item becomes the active one);
#  - the navigation toggle hides and shows the rail, in a wide and in a narrow window;
#  - the queue button adds the video to the queue, read back from the library document the
#    application wrote;
#  - share puts the video's link on the CLIPBOARD selection and shows its notice, and a reader
#    that leaves before the answer does not end vexa.
#   chrome_controls.sh VEXA PROBE LIBRARY_PROBE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 library_probe=$3
. "$(dirname "$0")/session.sh"

rail=15151a # the rail's fill in the dark theme
# Window coordinates. The 86-wide rail's items are 63 apart from Home's centre at y 174, Settings
# at the bottom; x 14 lies inside an item, left of its icon and label. The navigation toggle is
# at the top bar's left. At 1280x800 the Watch page's queue button ends at x 767 on y 716 and
# the share button sits right of it.
rail_items="trending:237 subs:300 queue:363 history:426 settings:760 home:174"
toggle="40 33"
rail_point=40,600
queue_fill=764,716
queue_button="703 716"
share_button="828 716"

# The Watch page's column under the player, where the buttons and the notices are.
look() { "$probe" --title Vexa --timeout-ms 20000 --hash --hash-exclude-right 400 --hash-from-y 590 | awk '/^hash/ { print $2 }'; }
clipboard() { "$probe" --title Vexa --timeout-ms 5000 --clipboard | sed -n 's/^clipboard //p'; }
# Starts vexa and waits for its window; sets `window`.
open_window() {
    start "$@"
    local found
    found=$("$probe" --title Vexa --timeout-ms 20000) || fail "no window"
    window=$(awk '/^id / { print $2 }' <<<"$found")
    [ -n "$window" ] || fail "the probe did not name the window"
}
at() { xdotool mousemove --window "$window" --sync "$1" "$2"; }
click() { at "$1" "$2"; xdotool click 1; park; }
park() { at 900 33; } # an empty part of the top bar: no hover anywhere

# Rail entries: Home starts active; each click moves the active mark to the clicked entry.
open_window --route=home
active=$(pixel 14,174)
[ -n "$active" ] && [ "$active" != "$rail" ] || fail "Home's rail entry is not marked active on Home"
previous=174
for item in $rail_items; do
    name=${item%:*} y=${item#*:}
    click 42 "$y"
    wait_pixel "14,$y" "$active" same || fail "clicking the $name entry did not open its route"
    [ "$(pixel "14,$previous")" = "$rail" ] || fail "after $name the previous entry is still marked active"
    previous=$y
done

# The toggle in the wide window: the rail goes and comes back.
[ "$(pixel $rail_point)" = "$rail" ] || fail "wide window: no rail at the start"
click $toggle
wait_pixel $rail_point "$rail" changed || fail "wide window: the toggle did not hide the rail"
click $toggle
wait_pixel $rail_point "$rail" same || fail "wide window: the toggle did not show the rail again"
stop

# And in a narrow window, where the rail starts collapsed and opens over the content.
open_window --route=home --window-size=560x800
[ "$(pixel $rail_point)" != "$rail" ] || fail "narrow window: the rail is not collapsed at the start"
click $toggle
wait_pixel $rail_point "$rail" same || fail "narrow window: the toggle did not open the rail"
click $toggle
wait_pixel $rail_point "$rail" changed || fail "narrow window: the toggle did not close the rail"
stop

# The queue button on the Watch page, then share.
open_window --route=watch:vid_solder
before=$(pixel $queue_fill)
click $queue_button
wait_pixel $queue_fill "$before" changed || fail "the queue button did not change after a click"
queued=$(settled_look) || fail "the Watch page did not settle after queueing"
click $share_button
for _ in $(seq 1 50); do
    copied=$(clipboard)
    [ -n "$copied" ] && break
    sleep 0.1
done
[[ "$copied" =~ ^https://[^/]+/vid_solder$ ]] || fail "the CLIPBOARD selection holds \"$copied\", not the video's link"
wait_look "$queued" changed >/dev/null || fail "share showed no notice on the Watch page"
# A program that asks for the clipboard and is gone before the answer does not end vexa (the
# answer fails with BadWindow); `stop` checks that it is still there and exits cleanly.
for _ in $(seq 1 10); do "$probe" --clipboard-and-leave; done
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "vexa ended after a clipboard reader left before its answer"
[ "$(clipboard)" = "$copied" ] || fail "the clipboard no longer holds the link after the readers left"
stop

library=$(find "$home/data" -name library.automerge -type f)
[ -n "$library" ] || fail "no library file was written under the data folder"
queue=$("$library_probe" "$library") || fail "the library document could not be read"
[ "$queue" = vid_solder ] || fail "the library document's queue is \"$queue\", not the queued video"
echo "rail entries, the toggle wide and narrow, the queue button and share work in the window"
