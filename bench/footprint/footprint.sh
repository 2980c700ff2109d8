#!/usr/bin/env bash
# Memory, start-up and playback CPU of vexa beside the floor program, on an X server of its own.
#   bench/footprint/footprint.sh BUILD_DIR      (FOOTPRINT_RUNS=N sets the runs per figure)
set -euo pipefail
if [ -z "${VEXA_FOOTPRINT_IN_XVFB:-}" ]; then
    exec env VEXA_FOOTPRINT_IN_XVFB=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
exec python3 "$(dirname "$0")/footprint.py" "$1"
