#!/usr/bin/env bash
# The history store against the reference in one run, on the same 2,000-entry document:
#   opening it, recording one watch without the file write (target: at least 3x the
#   reference's put + commit + save), the file write alone, and the unchanged frame's history
#   list (target: under 20 microseconds).
#   compare.sh <build-dir>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build}"
bench="$build/bench/history/history_bench"
if [[ ! -x "$bench" ]]; then echo "history_bench not built"; exit 0; fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
if ! command -v node >/dev/null || [[ ! -d "$here/../../tests/interop/node_modules/@automerge/automerge" ]]; then
  echo "node or tests/interop/node_modules missing: reference side skipped"; "$bench"; exit 0
fi
reference="$(node "$here/reference-bench.cjs" "$scratch/history-2000.automerge")"
HISTORY_BENCH_DOCUMENT="$scratch/history-2000.automerge" "$bench" --benchmark_format=json --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true >"$scratch/cpp.json" 2>/dev/null
node - "$scratch/cpp.json" "$reference" <<'JS'
const fs = require('fs');
const cpp = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const ref = JSON.parse(process.argv[3]);
const median = (name) => cpp.benchmarks.find((b) => b.run_name === name && b.aggregate_name === 'median');
const ms = (b) => (b.time_unit === 'us' ? b.real_time / 1000 : b.real_time);
const record = ms(median('RecordWatchWithoutWrite'));
console.log(`record one watch, no write: reference ${ref.record_ms.toFixed(3)} ms, C++ ${record.toFixed(3)} ms, speed-up ${(ref.record_ms / record).toFixed(1)}x (target 3x)`);
console.log(`open the 2,000-entry file:  reference load ${ref.load_ms.toFixed(3)} ms, C++ open ${ms(median('OpenHistory2000')).toFixed(3)} ms`);
console.log(`file write alone: ${ms(median('WriteHistoryFile')).toFixed(3)} ms; record with write: ${ms(median('RecordWatchWithWrite')).toFixed(3)} ms`);
const unchanged = median('HistoryListUnchanged');
console.log(`unchanged frame's history list: ${unchanged.real_time.toFixed(3)} us (target under 20 us); rebuilt: ${ms(median('HistoryListRebuilt')).toFixed(3)} ms`);
JS
