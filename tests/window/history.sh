#!/usr/bin/env bash
# The watch history across runs, on its own Xvfb server with a private data directory: on the
# sample catalogue's Home page three videos are opened one after another (each by a click on its
# card, then Escape back to Home), the window is closed, and the application started again holds
# them in its model's history list, newest first.
#   history.sh VEXA PROBE HISTORY_PROBE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 history_probe=$3
. "$(dirname "$0")/session.sh"

look() { window_hash --hash-exclude-right 20 --hash-from-y 80; }

start --route=home
await_window 1280x800
at() { xdotool mousemove --window "$window" --sync "$1" "$2"; }
park() { at 900 33; }

# The first row of Home at 1280x800 holds, left to right, the sample catalogue's first three
# videos; a click on a thumbnail opens its video.
park
home_look=$(settled_look) || fail "Home did not settle"
for point in "1071 220:vid_donut" "295 220:vid_moon_base" "683 220:vid_solder"; do
    at ${point%%:*}
    xdotool click 1
    park
    wait_look "$home_look" changed >/dev/null || fail "clicking the card of ${point##*:} did not open it"
    # Home again (a notice of the offline fetch worker may show over it, so its look may differ).
    home_look=$(back_with_escape) || fail "Escape did not leave the Watch page of ${point##*:}"
done

stop

listed=$(HOME=$home XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state "$history_probe" 2>>"$log") || fail "the history probe failed"
expected=$'vid_solder\nvid_moon_base\nvid_donut'
[ "$listed" = "$expected" ] || fail "the history list after a restart is not the three videos newest first: $(tr '\n' ' ' <<<"$listed")"
echo "three opened videos are the history list after a restart, newest first"
