#!/usr/bin/env bash
# The shared queue in the real window, on its own Xvfb server with a private data directory,
# over the sample catalogue started on Home:
#  - two videos are opened from their cards and added from their Watch pages (the queue button);
#  - the Queue page lists both; the queue button of the first removes it, and the page shows the
#    other alone once it has read the library again;
#  - the library document the application wrote holds the one video left, and the application
#    started again on the Queue page lists it alone;
#  - throughout, the top bar's connection pill reads "Offline": the fetch worker that opening a
#    video starts does not make a start without live data look as if it were connecting.
#   queue_page.sh VEXA PROBE LIBRARY_PROBE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 library_probe=$3
. "$(dirname "$0")/session.sh"

# Window coordinates at 1280x800, right of the 86-wide rail and below the 66-high top bar.
# Home's first two cards (the lunar habitat, the soldering mistakes) are clicked on their
# thumbnails. On a Watch page whose title takes one line the queue button ends at x 767 on
# y 716. The Queue page's items are 151 apart, each with its queue button under its row; the
# rail's Queue entry is at y 363. The "Offline" pill's dot is at x 1149 in the top bar.
cards="286,216:vid_moon_base 686,216:vid_solder"
watch_queue_button="703 716"
watch_queue_fill=764,716
queue_entry="42 363"
first_item_button="160 281"
first_item_fill=205,281
second_item_fill=205,432
offline_dot=1149,33
muted=a0a0ab   # the dot of the "Offline" pill
page=0f0f12    # the page's background in the dark theme
highlight=e53b33

look() { window_hash; }
at() { xdotool mousemove --window "$window" --sync "$1" "$2"; }
park() { at 900 33; } # an empty part of the top bar: no hover anywhere
click() { at "$1" "$2"; xdotool click 1; park; }
offline_pill() { [ "$(pixel $offline_dot)" = "$muted" ]; }

start --route=home
await_window 1280x800
park
home_look=$(settled_look) || fail "Home did not settle"
offline_pill || fail "a start without live data does not show the Offline pill on Home"

for card in $cards; do
    point=${card%:*} video=${card#*:}
    click "${point%,*}" "${point#*,}"
    wait_look "$home_look" changed >/dev/null || fail "clicking the card of $video did not open its Watch page"
    settled_look >/dev/null || fail "the Watch page of $video did not settle"
    before=$(pixel $watch_queue_fill)
    click $watch_queue_button
    wait_pixel $watch_queue_fill "$before" changed || fail "the queue button of $video did not change after a click"
    home_look=$(back_with_escape) || fail "Escape did not leave the Watch page of $video"
done

click $queue_entry
wait_pixel $second_item_fill "$highlight" same || fail "the Queue page does not list the two queued videos"
[ "$(pixel $first_item_fill)" = "$highlight" ] || fail "the Queue page's first item shows no queue button"
click $first_item_button
wait_pixel $second_item_fill "$page" same || fail "removing the first video left two items on the Queue page"
[ "$(pixel $first_item_fill)" = "$highlight" ] || fail "after the removal the Queue page lists nothing"
# By now the fetch worker has long said its first word.
offline_pill || fail "after opening videos the top bar's pill no longer reads Offline"
stop

library=$(find "$home/data" -name library.automerge -type f)
[ -n "$library" ] || fail "no library file was written under the data folder"
queue=$("$library_probe" "$library") || fail "the library document could not be read"
[ "$queue" = vid_solder ] || fail "the library document's queue is \"$(tr '\n' ' ' <<<"$queue")\", not the video left"

start --route=queue
await_window 1280x800
park
wait_pixel $first_item_fill "$highlight" same || fail "started again, the Queue page lists nothing"
[ "$(pixel $second_item_fill)" = "$page" ] || fail "started again, the Queue page lists the removed video too"
stop
echo "two videos queued from their Watch pages, one removed on the Queue page, the other kept for good"
