#!/usr/bin/env bash
# Regenerates the history fixtures with the pinned reference, checks the committed ones are the
# same, and runs the C++ fixture test against the fresh ones.
#   check-history-fixtures.sh <scratch-dir> <history_fixture_test binary>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
scratch="${1:?scratch dir}"
fixture_test="${2:?fixture test binary}"
"$here/../compare-fresh-fixtures.sh" "$here/generate-history-fixtures.cjs" "$here/../../history/fixtures" "$scratch"
HISTORY_FIXTURE_DIR="$scratch" "$fixture_test"
