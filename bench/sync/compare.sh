#!/usr/bin/env bash
# Runs the C++ transport benchmark and the Node client's same measurements against the same Node
# device stand-in, one after the other.
#
#   bench/sync/compare.sh [build-dir]
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$source_dir/build}"
"$build/bench/sync/sync_bench" --benchmark_counters_tabular=true
node "$source_dir/bench/sync/node-client-bench.js"
