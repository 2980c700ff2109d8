#!/usr/bin/env bash
# A creator opened from its card, in the real window on its own Xvfb server over the sample
# catalogue: on the Subscriptions page a click on Orbit Lab's tile in the creator strip shows the
# creator's page as the offscreen reference of the same steps shows it (banner, header with its
# subscription button, uploads; the back button in the top bar), and Escape goes back to
# Subscriptions as it was.
#   channel_from_card.sh VEXA PROBE COMPARE REFERENCE_DIR
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 compare=$3 references=$4
. "$(dirname "$0")/session.sh"

look() { window_hash; }

start --route=subscriptions
await_window 1280x800
# The pointer rests in the window's top-left corner, where nothing shows a hover.
xdotool mousemove 0 0
subscriptions_look=$(settled_look) || fail "Subscriptions did not settle"

# Orbit Lab's tile is the strip's first; its avatar is centred at (157, 173).
xdotool mousemove --window "$window" --sync 157 173 click 1
xdotool mousemove 0 0
matches_reference "$references/window-channel-from-subscriptions-dark-1280.png" \
    || fail "clicking Orbit Lab's tile did not show its page as the reference does"
xdotool key --window "$window" Escape
wait_look "$subscriptions_look" same >/dev/null || fail "going back from the creator's page did not find Subscriptions as it was"
stop
echo "a creator's tile opens the creator's page"
