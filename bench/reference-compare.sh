# Set-up shared by the scripts that time our code beside the reference in Node. Source it, then:
#   compare_setup <build-dir> <benchmark path under the build> [scratch parent]
# sets $bench, $scratch (removed at exit) and $have_reference (whether Node and the reference
# package in tests/interop are there); it ends the script when the benchmark is not built.
#   run_bench <output json> [benchmark flags...]
# runs $bench five times and keeps the aggregates, quietly. Extra environment goes before it.
# The Node side reads the medians with cppMedians of bench/timing.cjs.

compare_setup() {
  local build="$1" relative="$2" parent="${3:-}"
  bench="$build/$relative"
  if [[ ! -x "$bench" ]]; then echo "$(basename "$bench") not built"; exit 0; fi
  if [[ -n "$parent" ]]; then scratch="$(mktemp -d "$parent/bench.XXXXXX")"; else scratch="$(mktemp -d)"; fi
  trap 'rm -rf "$scratch"' EXIT
  local reference_package
  reference_package="$(dirname "${BASH_SOURCE[0]}")/../tests/interop/node_modules/@automerge/automerge"
  have_reference=true
  if ! command -v node >/dev/null || [[ ! -d "$reference_package" ]]; then have_reference=false; fi
}

# Ends the script, with the reason, when the reference side cannot run.
require_reference() {
  if [[ "$have_reference" != true ]]; then
    echo "node or tests/interop/node_modules missing (npm ci in tests/interop)"; exit 1
  fi
}

run_bench() {
  local output="$1"; shift
  "$bench" "$@" --benchmark_format=json --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    >"$output" 2>/dev/null
}
