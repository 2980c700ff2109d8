#!/usr/bin/env bash
# Times the C++ document core and the reference side by side in one run and prints the ratios:
#   load + save of a 2,000-entry history document, 10,000 single puts with commits, saved size.
# Target: at least 3x the reference's speed, saved size within 5% of the reference's.
#   compare.sh <build-dir>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../reference-compare.sh"
compare_setup "${1:-build}" bench/automerge/automerge_bench
if [[ "$have_reference" != true ]]; then echo "node or tests/interop/node_modules missing: reference side skipped"; "$bench"; exit 0; fi
reference="$(node "$here/reference-bench.cjs" "$scratch/history-2000.automerge")"
AUTOMERGE_BENCH_DOCUMENT="$scratch/history-2000.automerge" run_bench "$scratch/cpp.json"
node - "$scratch/cpp.json" "$reference" "$here/../timing.cjs" <<'JS'
const median = require(process.argv[4]).cppMedians(process.argv[2]);
const ref = JSON.parse(process.argv[3]);
const loadSave = median('LoadSaveHistory2000');
const puts = median('Puts10000WithCommits');
const rows = [
  ['load + save, 2,000-entry history', ref.load_save_ms, loadSave.real_time],
  ['10,000 puts with commits', ref.puts_ms, puts.real_time],
];
console.log('workload                              reference ms     C++ ms   speed-up');
for (const [name, r, c] of rows) console.log(`${name.padEnd(36)} ${r.toFixed(2).padStart(12)} ${c.toFixed(2).padStart(10)} ${(r / c).toFixed(1).padStart(9)}x`);
const own = loadSave.own_saved_bytes;
console.log(`saved size of the 2,000-entry document: reference ${ref.saved_bytes} bytes, C++ ${own} bytes (${((own / ref.saved_bytes - 1) * 100).toFixed(2)}%); C++ re-save of the reference's file ${loadSave.saved_bytes} bytes`);
JS
