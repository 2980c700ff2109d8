#!/usr/bin/env bash
# The action palette in the real window, on its own Xvfb server, over the sample catalogue:
#  - Ctrl+K opens it with the keyboard in its input: typing "kitchen" shows Midnight Kitchen's
#    video and then the creator, as the offscreen reference of the palette shows them;
#  - Escape closes it and the page looks as it did before;
#  - choosing a row opens it (the creator's page), and going back finds Home as it was.
#   palette.sh VEXA PROBE COMPARE REFERENCE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 compare=$3 reference=$4
. "$(dirname "$0")/session.sh"

look() { window_hash; }
settle_step=0.1

start --route=home --window-size=1280x800
await_window 1280x800
# The pointer rests outside the window, so nothing shows a hover.
xdotool mousemove 0 0
home_look=$(settled_look) || fail "Home did not settle"

xdotool key --window "$window" ctrl+k
wait_look "$home_look" changed >/dev/null || fail "Ctrl+K did not open the palette"
xdotool type --window "$window" --delay 20 kitchen
matches_reference "$reference" || fail "after typing, the palette is not the reference's (video, then creator)"

xdotool key --window "$window" Escape
wait_look "$home_look" same >/dev/null || fail "Escape did not leave Home as it was"

# Opened again it keeps the query; the second row is the creator.
xdotool key --window "$window" ctrl+k
matches_reference "$reference" || fail "the palette did not come back with its query"
xdotool mousemove --window "$window" --sync 640 271 click 1
xdotool mousemove 0 0
wait_look "$home_look" changed >/dev/null || fail "choosing a row left the window as it was"
channel_look=$(settled_look)
[ "$channel_look" != "$home_look" ] || fail "choosing the creator did not open a page"
xdotool key --window "$window" Escape
wait_look "$home_look" same >/dev/null || fail "going back from the creator's page did not find Home as it was"
"$probe" --title Vexa --timeout-ms 5000 --close >/dev/null
echo "the palette opens, searches, opens what is chosen and closes"
