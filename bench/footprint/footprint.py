#!/usr/bin/env python3
"""Measures the application's footprint beside the floor program; run through footprint.sh,
which puts it on its own X server. Prints one table: per state the time to the first frame on
screen, RSS, PSS, private memory, threads and the largest mappings, each with its ratio to the
floor program; then playback CPU per displayed picture beside a decode-only pipeline."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1])
RUNS = int(os.environ.get("FOOTPRINT_RUNS", "3"))
VEXA = os.path.join(BUILD, "src", "vexa")
FLOOR = os.path.join(BUILD, "bench", "footprint", "footprint_floor")
PLAYER = os.path.join(BUILD, "bench", "footprint", "footprint_player")
PROBE = os.path.join(BUILD, "bench", "footprint", "footprint_start_probe")
CLOSER = os.path.join(BUILD, "tests", "window", "x11_probe")
TICKS = os.sysconf("SC_CLK_TCK")


def offline_env(home):
    """A private home, and every fetch pointed at a closed loopback port."""
    env = dict(os.environ)
    stand_in = os.path.join(home, "bin")
    os.makedirs(stand_in, exist_ok=True)
    with open(os.path.join(stand_in, "yt-dlp"), "w") as f:
        f.write("#!/bin/sh\nexit 1\n")
    os.chmod(os.path.join(stand_in, "yt-dlp"), 0o755)
    env["PATH"] = stand_in + ":" + env.get("PATH", "")
    env.update(HOME=home, XDG_DATA_HOME=home + "/data", XDG_STATE_HOME=home + "/state", XDG_CACHE_HOME=home + "/cache")
    for name in ("http_proxy", "https_proxy", "all_proxy"):
        env[name] = env[name.upper()] = "http://127.0.0.1:9"
    env.pop("no_proxy", None)
    env.pop("NO_PROXY", None)
    return env


def start(title, command, env, output="/dev/null"):
    """Starts `command` through the probe; returns (pid, ms to the first painted frame)."""
    out = subprocess.run([PROBE, "--title", title, "--timeout-ms", "20000", "--output", output, "--"] + command, env=env, capture_output=True, text=True)
    pid = re.search(r"^pid (\d+)", out.stdout, re.M)
    first = re.search(r"^first_frame_ms ([\d.]+)", out.stdout, re.M)
    if not pid or not first:
        if pid:
            stop(int(pid.group(1)), title)
        raise RuntimeError(f"{command[0]} showed no painted window: {out.stdout} {out.stderr}")
    return int(pid.group(1)), float(first.group(1))


def alive(pid):
    """Whether the process runs (the probe's child is no child of ours: no waiting for it)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def stop(pid, title):
    subprocess.run([CLOSER, "--title", title, "--timeout-ms", "3000", "--close"], capture_output=True)
    for _ in range(50):
        if not alive(pid):
            return
        time.sleep(0.1)
    os.kill(pid, 9)


def memory(pid):
    """RSS, PSS and private memory in MB, the thread count, and the largest mappings."""
    rollup = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            m = re.match(r"(\w+):\s+(\d+) kB", line)
            if m:
                rollup[m.group(1)] = int(m.group(2)) / 1024
    with open(f"/proc/{pid}/status") as f:
        threads = int(re.search(r"^Threads:\s+(\d+)", f.read(), re.M).group(1))
    mappings = {}
    name = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            head = re.match(r"^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(.*)$", line)
            if head:
                name = os.path.basename(head.group(1)) or "[anonymous]"
                continue
            m = re.match(r"^Rss:\s+(\d+) kB", line)
            if m:
                mappings[name] = mappings.get(name, 0) + int(m.group(1)) / 1024
    largest = sorted(mappings.items(), key=lambda kv: -kv[1])[:5]
    return {
        "rss": rollup.get("Rss", 0),
        "pss": rollup.get("Pss", 0),
        "private": rollup.get("Private_Clean", 0) + rollup.get("Private_Dirty", 0),
        "threads": threads,
        "largest": largest,
    }


def cpu_seconds(pid):
    """User and system CPU of the process, all threads."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def window_id(title):
    out = subprocess.run([CLOSER, "--title", title, "--timeout-ms", "5000"], capture_output=True, text=True).stdout
    m = re.search(r"^id (\d+)", out, re.M)
    return m.group(1) if m else None


def scroll_to_end_and_back(title):
    window = window_id(title)
    if not window:
        raise RuntimeError("no window to scroll")
    subprocess.run(["xdotool", "mousemove", "--window", window, "--sync", "700", "500"], check=True)
    for button in ("5", "4"):
        subprocess.run(["xdotool", "click", "--repeat", "150", "--delay", "8", button], check=True)
    time.sleep(1)


def median(values):
    values = sorted(values)
    n = len(values)
    return values[n // 2] if n % 2 else (values[n // 2 - 1] + values[n // 2]) / 2


def measure_state(title, command, env, settle, after_start=None):
    runs = []
    for _ in range(RUNS):
        pid, first = start(title, command, env)
        try:
            if after_start:
                after_start(title)
            time.sleep(settle)
            figures = memory(pid)
        finally:
            stop(pid, title)
        figures["first"] = first
        runs.append(figures)
    result = {key: median([r[key] for r in runs]) for key in ("first", "rss", "pss", "private", "threads")}
    result["largest"] = runs[len(runs) // 2]["largest"]
    return result


def clip(work):
    """The 720p VP8 clip the media benchmark also plays, 10 s longer than what is measured."""
    path = os.path.join(work, "clip-720p.webm")
    subprocess.run(["gst-launch-1.0", "-q", "videotestsrc", "num-buffers=420", "horizontal-speed=4", "!",
                    "video/x-raw,width=1280,height=720,framerate=30/1", "!", "vp8enc", "deadline=1", "!", "webmmux", "!",
                    "filesink", f"location={path}"], check=True, timeout=300)
    return path


def decode_only(path, seconds):
    """CPU per picture of playbin decoding the file into fake sinks, in real time."""
    command = ["gst-launch-1.0", "-q", "playbin", f"uri=file://{path}", "video-sink=fakesink sync=true", "audio-sink=fakesink sync=true"]
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    before = cpu_seconds(process.pid)
    time.sleep(seconds)
    used = cpu_seconds(process.pid) - before
    process.kill()
    process.wait()
    return used * 1000 / (seconds * 30)


def playback(path, env, seconds):
    """CPU per picture of the player harness playing the file in a window, in real time."""
    output = os.path.join(os.path.dirname(path), "player.out")
    pid, _ = start("Player", [PLAYER, path], env, output)
    try:
        time.sleep(1)
        before = cpu_seconds(pid)
        time.sleep(seconds)
        used = cpu_seconds(pid) - before
        rss = memory(pid)["rss"]
    finally:
        stop(pid, "Player")
    with open(output) as f:
        pictures = re.search(r"^pictures (\d+)", f.read(), re.M)
    if not pictures:
        raise RuntimeError("the player harness did not say how many pictures it showed")
    return used * 1000 / (seconds * 30), rss, int(pictures.group(1))


def ratio(value, floor):
    return f"{value / floor:.2f}x" if floor else "-"


def main():
    for program in (VEXA, FLOOR, PLAYER, PROBE, CLOSER):
        if not os.access(program, os.X_OK):
            sys.exit(f"footprint: {program} is not built")
    work = tempfile.mkdtemp(prefix="vexa-footprint-")
    try:
        env = offline_env(work)
        states = [
            ("floor program", "Floor", [FLOOR], 5, None),
            ("Home, idle 5 s", "Vexa", [VEXA, "--route=home"], 5, None),
            ("Watch, 720p demo 10 s", "Vexa", [VEXA, "--play-demo"], 10, None),
            ("Home, scrolled end and back", "Vexa", [VEXA, "--route=home"], 2, scroll_to_end_and_back),
        ]
        results = [(label, measure_state(title, command, env, settle, after)) for label, title, command, settle, after in states]
        floor = results[0][1]
        print(f"footprint (median of {RUNS} runs; MB; ratios to the floor program)")
        print(f"{'state':30} {'first frame':>17} {'RSS':>14} {'PSS':>14} {'private':>14} {'threads':>8}")
        for label, r in results:
            print(f"{label:30} {r['first']:7.0f} ms {ratio(r['first'], floor['first']):>6} "
                  f"{r['rss']:6.1f} {ratio(r['rss'], floor['rss']):>6} {r['pss']:6.1f} {ratio(r['pss'], floor['pss']):>6} "
                  f"{r['private']:6.1f} {ratio(r['private'], floor['private']):>6} {r['threads']:8.0f}")
        for label, r in results:
            print(f"  largest mappings, {label}: " + ", ".join(f"{name} {mb:.1f}" for name, mb in r["largest"]))

        path = clip(work)
        seconds = 10
        decode = median([decode_only(path, seconds) for _ in range(RUNS)])
        plays = [playback(path, env, seconds) for _ in range(RUNS)]
        played = median([p[0] for p in plays])
        print(f"playback of the 720p WebM for {seconds} s (median of {RUNS} runs; CPU ms per picture at 30 per second)")
        print(f"  decode only (playbin into fake sinks) {decode:6.2f} ms")
        print(f"  media engine + player in a window     {played:6.2f} ms  {ratio(played, decode)}  RSS {median([p[1] for p in plays]):.1f} MB"
              f"  pictures handed to the player {median([p[2] for p in plays]):.0f} in about {seconds + 1} s")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
