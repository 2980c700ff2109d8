#!/usr/bin/env bash
# Regenerates the fixtures with the pinned reference into a scratch folder, checks that the
# committed ones are identical (deterministic actors and times), and runs the C++ fixture tests
# against the fresh ones.
#   check-fresh-fixtures.sh <scratch-dir> <automerge_unit_tests binary>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
scratch="${1:?scratch dir}"
unit_tests="${2:?unit test binary}"
rm -rf "$scratch"
mkdir -p "$scratch"
node "$here/generate-fixtures.cjs" "$scratch"
committed="$here/../../fixtures/automerge"
for file in "$scratch"/*; do
  if ! cmp -s "$file" "$committed/$(basename "$file")"; then
    echo "committed fixture $(basename "$file") differs from what the reference makes now: run node tests/interop/automerge/generate-fixtures.cjs"
    exit 1
  fi
done
AUTOMERGE_FIXTURE_DIR="$scratch" "$unit_tests" --gtest_filter='*ReferenceFixture*'
