#!/usr/bin/env bash
# The Watch page of `vexa --play-demo` in a real window on its own Xvfb server: the player shows
# moving pictures (two looks a second apart differ inside the player), a click on the player
# pauses it (the picture holds still), and another click plays it again.
#   watch_player.sh VEXA PROBE
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2
. "$(dirname "$0")/session.sh"

# At 1280x800 the player is 924x520, centred in the content beside the 86-wide rail, just under
# the top bar: x 221..1145, y 66..586. The synthesized clip's noise block sits at x 622..853,
# y 456..538, above the controls strip; these points lie in it.
points=()
for x in 640 700 760 820; do
    for y in 465 500 530; do points+=(--pixel "$x,$y"); done
done
look() { "$probe" --title Vexa --timeout-ms 20000 "${points[@]}" | awk '/^pixel/ { printf "%s ", $3 }'; }
# Waits (at most 15 s) until two looks a second apart differ ("moving") or are equal ("still").
wait_for() {
    local want=$1 first second
    for _ in $(seq 1 15); do
        first=$(look)
        sleep 1
        second=$(look)
        [ -n "$first" ] || continue
        if [ "$want" = moving ] && [ "$first" != "$second" ]; then return 0; fi
        if [ "$want" = still ] && [ "$first" = "$second" ]; then return 0; fi
    done
    return 1
}

start --play-demo
found=$("$probe" --title Vexa --expect-size 1280x800 --timeout-ms 20000) || fail "no 1280x800 window"
window=$(awk '/^id / { print $2 }' <<<"$found")
[ -n "$window" ] || fail "the probe did not name the window"

wait_for moving || fail "the player shows no moving pictures"
xdotool mousemove --window "$window" --sync 683 250 click 1
wait_for still || fail "a click on the player did not pause it"
# Still a second later too: paused, not between two frames.
held=$(look)
sleep 1
later=$(look)
[ "$later" = "$held" ] || fail "the paused picture kept changing: $held then $later"
xdotool mousemove --window "$window" --sync 683 250 click 1
wait_for moving || fail "a second click did not play it again"

"$probe" --title Vexa --timeout-ms 5000 --close >/dev/null
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then fail "vexa did not exit after its window was closed"; fi
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "vexa exited with status $status"
echo "the player plays, pauses and plays again on the Watch page"
