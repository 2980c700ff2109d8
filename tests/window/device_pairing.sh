#!/usr/bin/env bash
# Pairing a device from the Settings page in a real window on its own Xvfb server, on the live
# application with temporary state and data folders: a stand-in secret portal on a private
# session bus gives the device key, and the Node stand-in for a device listens on 127.0.0.1.
#  - the portal holds its answer back: the window paints its first frame all the same;
#  - the device's invite, typed into the pairing field, and "Pair device" add it as pending to
#    the peer store; "Approve" approves it;
#  - "Sync now" imports its subscriptions into the library document.
#   device_pairing.sh VEXA PROBE LIBRARY_PROBE DEVICE_STANDIN
set -u
if [ -z "${VEXA_IN_XVFB:-}" ]; then
    exec env VEXA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
vexa=$1 probe=$2 library_probe=$3 standin=$4
. "$(dirname "$0")/session.sh"

# The far side runs until its standard input closes; it reports on a pipe read here.
standin_pid=
finish() {
    cleanup
    exec 3>&-
    if [ -n "$standin_pid" ]; then
        for _ in $(seq 1 50); do kill -0 "$standin_pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$standin_pid" 2>/dev/null
    fi
}
trap finish EXIT
mkfifo "$home/standin.in" "$home/standin.out"
"$standin" "$home" --hold <"$home/standin.in" >"$home/standin.out" 2>"$home/standin.log" &
standin_pid=$!
exec 3>"$home/standin.in" 4<"$home/standin.out"
# Reads the stand-in's next line, which must begin with $1; prints the rest.
expect_line() {
    local line
    IFS= read -r -t 30 -u 4 line || { cat "$home/standin.log"; fail "the stand-in said nothing where \"$1\" was due"; }
    [ "${line%% *}" = "$1" ] || fail "the stand-in said \"$line\" where \"$1\" was due"
    echo "${line#"$1"}" | sed 's/^ //'
}
bus=$(expect_line bus) || exit 1
invite=$(expect_line invite) || exit 1
export DBUS_SESSION_BUS_ADDRESS=$bus
peers=$home/state/kaso-vexa/grayjay-peers.json

# The live application, with no arguments. Its device-sync worker asks the portal for the key,
# which holds the answer: the window paints while the question is open. The pipes to the
# stand-in stay here.
start 3>&- 4<&-
expect_line asked >/dev/null || exit 1
await_window 1280x800
echo answer >&3

at() { xdotool mousemove --window "$window" --sync "$1" "$2"; }
click() { at "$1" "$2"; xdotool click 1; at 900 33; }
# Waits (at most 30 s) until the peer store file holds the text $1.
store_says() {
    for _ in $(seq 1 300); do
        grep -q -- "$1" "$peers" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
shot() { "$probe" --title Vexa --timeout-ms 20000 --png "$1" >/dev/null; }
look() { window_hash; }

# The Settings page, scrolled to its end, where the device section is. Window coordinates at
# 1280x800 with the project's pinned font: the pairing field on y 633 with "Pair device" under it;
# a pending device's row then follows with its "Approve" chip at the right; once approved, the
# "Approved devices" header holds "Sync now" at the same height.
click 42 760
at 500 500
for _ in $(seq 1 40); do xdotool click 5; done
settled_look >/dev/null
${VEXA_SHOTS:+shot "$VEXA_SHOTS/settings.png"}

# The invite, typed into the field (it takes paste too, but no clipboard owner is at hand).
click 300 633
xdotool type --window "$window" --delay 5 "$invite"
${VEXA_SHOTS:+shot "$VEXA_SHOTS/typed.png"}
click 177 668
store_says '"pending_approval": true' || fail "pairing did not add a pending device to the peer store"
settled_look >/dev/null
${VEXA_SHOTS:+shot "$VEXA_SHOTS/pending.png"}

click 810 716
store_says '"pending_approval": false' || fail "\"Approve\" did not approve the device in the peer store"
settled_look >/dev/null
${VEXA_SHOTS:+shot "$VEXA_SHOTS/approved.png"}

# A pass pulls the device's subscriptions into the library document.
click 818 704
store_says '"last_sync_at": [0-9]' || fail "\"Sync now\" did not sync with the device"
subscriptions=
for _ in $(seq 1 100); do
    library=$(find "$home/data" -name library.automerge -type f)
    [ -n "$library" ] && subscriptions=$("$library_probe" --subscriptions "$library")
    grep -qx 'https://www.youtube.com/channel/UCnode1' <<<"$subscriptions" \
        && grep -qx 'https://www.youtube.com/channel/UCnode2' <<<"$subscriptions" && break
    sleep 0.1
done
grep -qx 'https://www.youtube.com/channel/UCnode2' <<<"$subscriptions" \
    || fail "the library's subscriptions are \"$subscriptions\", not the device's two channels"
${VEXA_SHOTS:+shot "$VEXA_SHOTS/synced.png"}
stop
echo "a device paired, approved and synced from the Settings page"
