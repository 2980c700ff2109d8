#!/usr/bin/env bash
# What a user changes on a Watch page outlives a restart, in a real window on its own Xvfb
# server with a data folder of its own: started on the sample catalogue, open a video, like it,
# change the subscription to its creator, switch Autoplay, choose 480p in the player's menu;
# quit; start again and open the same video: each control shows as it was left.
#   library_restart.sh VEXA PROBE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2
. "$(dirname "$0")/session.sh"

# Window coordinates at 1280x800. Home: the first card's thumbnail. Watch page: the player is
# x 221..1145, y 66..586, its settings button at the right end of the control bar, the menu's
# rows 32 high from y 402 ("1080p", "720p", "480p", "auto"); under it the like button, the
# subscription button at the right end of the creator row and the Autoplay switch above Up next.
# Each point below lies inside its control, clear of icons and text.
first_card="295 220"
like=447,717
subscription=870,778
autoplay_knob_on=1247,619 # the knob's place while Autoplay is on
settings_button="1119 562"
row_1080p=1006,418
row_480p=1006,482
menu_480p="1067 482"

# Starts on Home and opens the first video; sets `window`.
open_first_video() {
    start --route=home
    local found
    found=$("$probe" --title Vexa --expect-size 1280x800 --timeout-ms 20000) || fail "no 1280x800 window"
    window=$(awk '/^id / { print $2 }' <<<"$found")
    [ -n "$window" ] || fail "the probe did not name the window"
    local before
    before=$(pixel "$like")
    at $first_card
    xdotool click 1
    park
    wait_pixel "$like" "$before" changed || fail "clicking the first card did not open its video"
    # The page settles (its images and the connection pill) before anything is compared.
    sleep 1
}
at() { xdotool mousemove --window "$window" --sync "$1" "$2"; }
park() { at 900 33; } # an empty part of the top bar: no hover anywhere on the page
click_at() { at "${1%,*}" "${1#*,}"; xdotool click 1; park; }
# Opens the player's menu: the pointer over the player shows the controls, then the button.
open_menu() {
    at 683 300
    at $settings_button
    xdotool click 1
    at 683 300
}

open_first_video
like_before=$(pixel "$like")
subscription_before=$(pixel "$subscription")
autoplay_before=$(pixel "$autoplay_knob_on")
open_menu
wait_pixel "$row_480p" "$(pixel "$row_1080p")" changed || fail "the player's menu did not open"
chosen=$(pixel "$row_1080p") # the sample starts at 1080p: its row is marked
unchosen=$(pixel "$row_480p")
at $menu_480p
xdotool click 1
park

click_at "$like"
wait_pixel "$like" "$like_before" changed || fail "the like button did not change"
click_at "$subscription"
wait_pixel "$subscription" "$subscription_before" changed || fail "the subscription button did not change"
click_at "$autoplay_knob_on"
wait_pixel "$autoplay_knob_on" "$autoplay_before" changed || fail "the Autoplay switch did not change"
like_after=$(pixel "$like")
subscription_after=$(pixel "$subscription")
autoplay_after=$(pixel "$autoplay_knob_on")
open_menu
wait_pixel "$row_480p" "$chosen" same || fail "480p is not marked in the player's menu after choosing it"
stop

library=$(find "$home/data" -name library.automerge -type f)
[ -n "$library" ] || fail "no library file was written under the data folder"

open_first_video
[ "$(pixel "$like")" = "$like_after" ] || fail "after a restart the like button shows $(pixel "$like"), not $like_after"
[ "$(pixel "$subscription")" = "$subscription_after" ] || fail "after a restart the subscription shows as before the change"
[ "$(pixel "$autoplay_knob_on")" = "$autoplay_after" ] || fail "after a restart Autoplay is back to how it was"
open_menu
wait_pixel "$row_480p" "$chosen" same || fail "after a restart 480p is not the player's chosen quality"
[ "$(pixel "$row_1080p")" = "$unchosen" ] || fail "after a restart 1080p is still marked in the player's menu"
stop
echo "a like, a subscription, Autoplay and the player's quality outlive a restart"
