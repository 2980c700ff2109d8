#!/usr/bin/env bash
# Times one frame's two library reads and one dispatched like beside the reference doing the same
# put, commit and save in Node, and the atomic file write apart, both in the same folder.
# Targets: an unchanged frame under 50 us, a changed one under 0.5 ms, the dispatch (without the
# file write) at least 3x faster than the reference.
#   compare.sh <build-dir>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../reference-compare.sh"
# The scratch folder is inside the build so the file writes land on the build's filesystem.
build="${1:-build}"
compare_setup "$build" bench/library/library_bench "$build"
LIBRARY_BENCH_DIR="$scratch" run_bench "$scratch/cpp.json"
if [[ "$have_reference" != true ]]; then
  echo "node or tests/interop/node_modules missing: reference side skipped"; cat "$scratch/cpp.json"; exit 0
fi
reference="$(node "$here/reference-library-bench.cjs" "$scratch")"
node - "$scratch/cpp.json" "$reference" "$here/../timing.cjs" <<'JS'
const medianRecord = require(process.argv[4]).cppMedians(process.argv[2]);
const ref = JSON.parse(process.argv[3]);
const median = (name) => {
  const found = medianRecord(name);
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
console.log(`  through the store (lock, file check, change, save, write): ${us(median('DispatchLikeThroughTheStore'))} us`);
const ratio = ref.dispatch_save_us / median('DispatchLikeAndSave');
console.log(`dispatch without the write: ${ratio.toFixed(2)}x the reference (target 3x: ${ratio >= 3 ? 'met' : 'missed'})`);
JS
