#!/usr/bin/env bash
# The real window against the offscreen references: each page of the screenshot set is opened
# in a window of its size and theme on a private Xvfb server, photographed and compared.
#   window_shots.sh WINDOW_HOST PROBE COMPARE REFERENCE_DIR
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
host=$1 probe=$2 compare=$3 references=$4
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
stop() {
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
}
# The look of the window, once it no longer changes (two equal looks 0.1 s apart, at most 5 s).
settled() {
    local previous current
    previous=$("$probe" --title Shots --timeout-ms 20000 --hash | awk '/^hash/ { print $2 }')
    for _ in $(seq 1 50); do
        sleep 0.1
        current=$("$probe" --title Shots --timeout-ms 20000 --hash | awk '/^hash/ { print $2 }')
        [ "$current" = "$previous" ] && return 0
        previous=$current
    done
    return 1
}
failures=0
# One page in one theme at one width: the window's photograph against its reference.
compare_window() {
    local page=$1 theme=$2 width=$3
    local name=$page-$theme-$width
    "$host" "$page" "$theme" "${width}x800" >"$work/log" 2>&1 &
    pid=$!
    # The pointer is parked in the screen's corner, outside the window, so no card shows
    # its hover; the server moves it only while a window exists.
    "$probe" --title Shots --timeout-ms 20000 >/dev/null && xdotool mousemove 0 0 && settled
    if ! "$probe" --title Shots --expect-size "${width}x800" --timeout-ms 20000 --png "$work/$name.png" --close >/dev/null; then
        echo "FAIL $name: no window"; cat "$work/log"; failures=$((failures + 1))
        kill -9 "$pid" 2>/dev/null
    else
        result=$("$compare" "$work/$name.png" "$references/$name.png")
        if [ $? -ne 0 ]; then
            echo "FAIL $name: $result"; failures=$((failures + 1))
        else
            echo "ok $name: $result"
        fi
    fi
    stop
}
for page in home trending subscriptions search; do
    for theme in dark light high-contrast; do
        for width in 1280 560; do
            compare_window "$page" "$theme" "$width"
        done
    done
done
# The list pages are shot in the dark theme; one of them stands for the rest in a real window.
compare_window queue dark 1280
[ "$failures" -eq 0 ] || { echo "$failures window pictures differ from their references"; exit 1; }
echo "every window matches its reference"
