#!/usr/bin/env bash
# Load and save of six document shapes, the reference's low-level path (wasm load, which checks
# heads but builds no JavaScript objects, and save) against ours, side by side in one run:
# history of 10,000 entries, a 600 KiB history, an exactly-4 MiB history, a 1 MB string, one
# change of 50,000 ops, a map of 10,000 keys of every value type. Prints reference ÷ ours.
# Target: at least 3x on every row.
#   compare-shapes.sh <build-dir> [<documents-dir>]   (documents are built there when missing)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../reference-compare.sh"
compare_setup "${1:-build}" bench/automerge/automerge_bench
require_reference
documents="${2:-$scratch/documents}"
if ! compgen -G "$documents/*.automerge" >/dev/null; then
  node "$here/../../tests/interop/automerge/shape-documents.cjs" "$documents"
fi
reference="$(node "$here/reference-shapes.cjs" "$documents")"
AUTOMERGE_BENCH_SHAPES="$documents" run_bench "$scratch/cpp.json" --benchmark_filter='^(Load|Save)/'
node - "$scratch/cpp.json" "$reference" "$here/../timing.cjs" <<'JS'
const median = require(process.argv[4]).cppMedians(process.argv[2]);
const ref = JSON.parse(process.argv[3]);
console.log('document              bytes    load ref ms  ours ms   ratio    save ref ms  ours ms   ratio');
for (const [name, r] of Object.entries(ref)) {
  const load = median(`Load/${name}`);
  const save = median(`Save/${name}`);
  const cell = (refMs, ours) => `${refMs.toFixed(2).padStart(11)} ${ours.real_time.toFixed(2).padStart(8)} ${(refMs / ours.real_time).toFixed(2).padStart(6)}x`;
  console.log(`${name.padEnd(18)} ${String(r.bytes).padStart(8)} ${cell(r.load_ms, load)}  ${cell(r.save_ms, save)}`);
}
JS
