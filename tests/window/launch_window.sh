#!/usr/bin/env bash
# Starts vexa with the given arguments on its own Xvfb server, checks its window with x11_probe
# (title, size, drawn pixels), closes it and expects vexa to exit 0 within a deadline.
#   launch_window.sh VEXA PROBE EXPECTED_SIZE [vexa arguments...]
# With VEXA_SHOT=path the window is also saved as a PNG.
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
. "$(dirname "$0")/offline.sh"
vexa=$1 probe=$2 size=$3
shift 3
log=$(mktemp)
home=$(mktemp -d)
trap 'rm -rf "$log" "$home" "$offline_dir"' EXIT
HOME=$home XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state "$vexa" "$@" >"$log" 2>&1 &
pid=$!
if ! "$probe" --title Vexa --expect-size "$size" --timeout-ms 20000 --close ${VEXA_SHOT:+--png "$VEXA_SHOT"}; then
    kill -9 "$pid" 2>/dev/null
    cat "$log"
    exit 1
fi
for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        status=$?
        if [ "$status" -ne 0 ]; then
            echo "vexa exited with status $status"
            cat "$log"
            exit 1
        fi
        echo "vexa closed cleanly"
        exit 0
    fi
    sleep 0.1
done
kill -9 "$pid" 2>/dev/null
echo "vexa did not exit within 10 s of its window being closed"
cat "$log"
exit 1
