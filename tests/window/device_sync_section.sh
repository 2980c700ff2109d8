#!/usr/bin/env bash
# The "--device-sync" launch state in the real window, on its own Xvfb server: at 1280x800 and
# at 560x800 the Settings page opens scrolled to its end, with the device section in view from
# its header to the last approved device, as the offscreen references of the state show it.
#   device_sync_section.sh VEXA PROBE COMPARE REFERENCE_DIR
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 compare=$3 references=$4
. "$(dirname "$0")/session.sh"

for size in 1280x800 560x800; do
    if [ "$size" = 1280x800 ]; then start --device-sync; else start --device-sync --window-size=$size; fi
    "$probe" --title Vexa --expect-size "$size" --timeout-ms 20000 >/dev/null || fail "no $size window"
    # The pointer rests in the window's top-left corner, where nothing shows a hover.
    xdotool mousemove 0 0
    matches_reference "$references/window-device-sync-dark-${size%x*}.png" \
        || fail "at $size the window does not show the device section as the reference does"
    stop
done
echo "the device section is in view at 1280x800 and 560x800"
