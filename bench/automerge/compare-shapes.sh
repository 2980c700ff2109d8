#!/usr/bin/env bash
# Load and save of six document shapes, the reference's low-level path (wasm load, which checks
# heads but builds no JavaScript objects, and save) against ours, side by side in one run:
# history of 10,000 entries, a 600 KiB history, an exactly-4 MiB history, a 1 MB string, one
# change of 50,000 ops, a map of 10,000 keys of every value type. Prints reference ÷ ours.
# Target: at least 3x on every row.
#   compare-shapes.sh <build-dir> [<documents-dir>]   (documents are built there when missing)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build}"
bench="$build/bench/automerge/automerge_bench"
if [[ ! -x "$bench" ]]; then echo "automerge_bench not built"; exit 1; fi
if ! command -v node >/dev/null || [[ ! -d "$here/../../tests/interop/node_modules/@automerge/automerge" ]]; then
  echo "node or tests/interop/node_modules missing (npm ci in tests/interop)"; exit 1
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
documents="${2:-$scratch/documents}"
if ! compgen -G "$documents/*.automerge" >/dev/null; then
  node "$here/../../tests/interop/automerge/shape-documents.cjs" "$documents"
fi
reference="$(node "$here/reference-shapes.cjs" "$documents")"
AUTOMERGE_BENCH_SHAPES="$documents" "$bench" --benchmark_filter='^(Load|Save)/' --benchmark_format=json \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true >"$scratch/cpp.json" 2>/dev/null
node - "$scratch/cpp.json" "$reference" <<'JS'
const fs = require('fs');
const cpp = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const ref = JSON.parse(process.argv[3]);
const median = (name) => cpp.benchmarks.find((b) => b.run_name === name && b.aggregate_name === 'median');
console.log('document              bytes    load ref ms  ours ms   ratio    save ref ms  ours ms   ratio');
for (const [name, r] of Object.entries(ref)) {
  const load = median(`Load/${name}`);
  const save = median(`Save/${name}`);
  const cell = (refMs, ours) => `${refMs.toFixed(2).padStart(11)} ${ours.real_time.toFixed(2).padStart(8)} ${(refMs / ours.real_time).toFixed(2).padStart(6)}x`;
  console.log(`${name.padEnd(18)} ${String(r.bytes).padStart(8)} ${cell(r.load_ms, load)}  ${cell(r.save_ms, save)}`);
}
JS
