#!/usr/bin/env bash
# Regenerates the fixtures with the pinned reference into a scratch folder, checks that the
# committed ones are identical (deterministic actors and times), and runs the C++ fixture tests
# against the fresh ones.
#   check-fresh-fixtures.sh <scratch-dir> <automerge_unit_tests binary>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
scratch="${1:?scratch dir}"
unit_tests="${2:?unit test binary}"
"$here/../compare-fresh-fixtures.sh" "$here/generate-fixtures.cjs" "$here/../../fixtures/automerge" "$scratch"
AUTOMERGE_FIXTURE_DIR="$scratch" "$unit_tests" --gtest_filter='*ReferenceFixture*'
