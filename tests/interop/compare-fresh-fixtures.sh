#!/usr/bin/env bash
# Regenerates fixtures with a pinned reference into an emptied scratch folder and checks that the
# committed ones are the same bytes; when one differs it says how to regenerate them. The caller
# then runs its fixture test against the scratch folder.
#   compare-fresh-fixtures.sh <generator.cjs> <committed-dir> <scratch-dir>
set -euo pipefail
generator="${1:?generator script}"
committed="${2:?committed fixture dir}"
scratch="${3:?scratch dir}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
rm -rf "$scratch"
mkdir -p "$scratch"
node "$generator" "$scratch"
shopt -s nullglob
fresh=("$scratch"/*)
if [ "${#fresh[@]}" -eq 0 ]; then
  echo "the reference made no fixtures in $scratch"
  exit 1
fi
for file in "${fresh[@]}"; do
  if ! cmp -s "$file" "$committed/$(basename "$file")"; then
    echo "committed fixture $(basename "$file") differs from what the reference makes now:" \
      "run node $(realpath --relative-to="$root" "$generator") $(realpath -m --relative-to="$root" "$committed")"
    exit 1
  fi
done
