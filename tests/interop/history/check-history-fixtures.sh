#!/usr/bin/env bash
# Regenerates the history fixtures with the pinned reference, checks the committed ones are the
# same, and runs the C++ fixture test against the fresh ones.
#   check-history-fixtures.sh <scratch-dir> <history_fixture_test binary>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
scratch="${1:?scratch dir}"
fixture_test="${2:?fixture test binary}"
rm -rf "$scratch"
mkdir -p "$scratch"
node "$here/generate-history-fixtures.cjs" "$scratch"
committed="$here/../../history/fixtures"
for file in "$scratch"/*; do
  if ! cmp -s "$file" "$committed/$(basename "$file")"; then
    echo "committed history fixture $(basename "$file") differs from what the reference makes now: run node tests/interop/history/generate-history-fixtures.cjs tests/history/fixtures"
    exit 1
  fi
done
HISTORY_FIXTURE_DIR="$scratch" "$fixture_test"
