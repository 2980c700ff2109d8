#!/usr/bin/env bash
# Times one frame's two library reads and one dispatched like beside the reference doing the same
# put, commit and save in Node, and the atomic file write apart, both in the same folder.
# Targets: an unchanged frame under 50 us, a changed one under 0.5 ms, the dispatch (without the
# file write) at least 3x faster than the reference.
#   compare.sh <build-dir>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build}"
bench="$build/bench/library/library_bench"
if [[ ! -x "$bench" ]]; then echo "library_bench not built"; exit 0; fi
scratch="$(mktemp -d "$(cd "$build" && pwd)/library-bench.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
LIBRARY_BENCH_DIR="$scratch" "$bench" --benchmark_format=json --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true >"$scratch/cpp.json" 2>/dev/null
if ! command -v node >/dev/null || [[ ! -d "$here/../../tests/interop/node_modules/@automerge/automerge" ]]; then
  echo "node or tests/interop/node_modules missing: reference side skipped"; cat "$scratch/cpp.json"; exit 0
fi
reference="$(node "$here/reference-library-bench.cjs" "$scratch")"
node - "$scratch/cpp.json" "$reference" <<'JS'
const fs = require('fs');
const cpp = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const ref = JSON.parse(process.argv[3]);
const median = (name) => {
  const found = cpp.benchmarks.find((b) => b.run_name === name && b.aggregate_name === 'median');
  return found ? found.real_time : NaN;
};
const us = (value) => (Number.isFinite(value) ? value.toFixed(1) : '-').padStart(10);
console.log('frame reads (C++, us, median of 5)');
for (const [name, target] of [['FrameReadsUnchanged', 50], ['FrameReadsOneValueChanged', 500], ['FrameReadsLocalEchoUndone', 500], ['FrameReadsWithoutMemory', null]]) {
  const value = median(name);
  console.log(`  ${name.padEnd(28)} ${us(value)}${target ? `   target < ${target}: ${value < target ? 'met' : 'missed'}` : ''}`);
}
console.log('one like (us)                 reference        C++   speed-up');
const rows = [
  ['put + commit + save', ref.dispatch_save_us, median('DispatchLikeAndSave')],
  ['put + commit', ref.put_commit_us, median('DispatchLikeOnly')],
  ['atomic file write', ref.write_us, median('WriteLibraryFile')],
];
for (const [name, r, c] of rows) console.log(`  ${name.padEnd(26)} ${us(r)} ${us(c)} ${(r / c).toFixed(2).padStart(9)}x`);
console.log(`  of which the document core's put + commit: ${us(median('CorePutCommitOnly'))} us`);
const ratio = ref.dispatch_save_us / median('DispatchLikeAndSave');
console.log(`dispatch without the write: ${ratio.toFixed(2)}x the reference (target 3x: ${ratio >= 3 ? 'met' : 'missed'})`);
JS
