#!/usr/bin/env bash
# The history store against the reference in one run, on the same 2,000-entry document:
#   opening it, recording one watch without the file write (target: at least 3x the
#   reference's put + commit + save), the file write alone, and the unchanged frame's history
#   list (target: under 20 microseconds).
#   compare.sh <build-dir>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../reference-compare.sh"
compare_setup "${1:-build}" bench/history/history_bench
if [[ "$have_reference" != true ]]; then echo "node or tests/interop/node_modules missing: reference side skipped"; "$bench"; exit 0; fi
reference="$(node "$here/reference-bench.cjs" "$scratch/history-2000.automerge")"
HISTORY_BENCH_DOCUMENT="$scratch/history-2000.automerge" run_bench "$scratch/cpp.json"
node - "$scratch/cpp.json" "$reference" "$here/../timing.cjs" <<'JS'
const median = require(process.argv[4]).cppMedians(process.argv[2]);
const ref = JSON.parse(process.argv[3]);
const ms = (b) => (b.time_unit === 'us' ? b.real_time / 1000 : b.real_time);
const record = ms(median('RecordWatchWithoutWrite'));
console.log(`record one watch, no write: reference ${ref.record_ms.toFixed(3)} ms, C++ ${record.toFixed(3)} ms, speed-up ${(ref.record_ms / record).toFixed(1)}x (target 3x)`);
console.log(`open the 2,000-entry file:  reference load ${ref.load_ms.toFixed(3)} ms, C++ open ${ms(median('OpenHistory2000')).toFixed(3)} ms`);
console.log(`file write alone: ${ms(median('WriteHistoryFile')).toFixed(3)} ms; record with write: ${ms(median('RecordWatchWithWrite')).toFixed(3)} ms`);
const unchanged = median('HistoryListUnchanged');
console.log(`unchanged frame's history list: ${unchanged.real_time.toFixed(3)} us (target under 20 us); rebuilt: ${ms(median('HistoryListRebuilt')).toFixed(3)} ms`);
JS
