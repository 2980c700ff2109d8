#!/usr/bin/env bash
# Builds the `load` fuzz target with clang's libFuzzer (plus ASan and UBSan) and runs it for a
# bounded time over a corpus seeded with the committed fixtures. Crashes land in the work folder;
# keep one as tests/fixtures/automerge/fuzz-crashers/<what_broke>.bin.
#
#   run-fuzz.sh <work-dir> [seconds]
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../../.." && pwd)"
work="${1:?work dir}"
seconds="${2:-30}"
CLANG="${CLANG:-clang++}"
if ! command -v "$CLANG" >/dev/null; then
  echo "clang++ not found: fuzz run skipped"
  exit 0
fi
mkdir -p "$work/obj" "$work/corpus"
flags=(-std=c++2b -O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -I"$source_dir")
sodium_flags=$(pkg-config --cflags libsodium)
objects=()
pids=()
for source in $(find "$source_dir/automerge" -name '*.cpp' | sort) "$source_dir/tests/fuzz/automerge/FuzzLoad.cpp"; do
  object="$work/obj/$(echo "${source#$source_dir/}" | tr '/' '_').o"
  objects+=("$object")
  # An object is stale when its source or any header of the library changed since it was built:
  # a changed class layout compiled into some objects but not others corrupts memory at run time.
  if [[ ! -f "$object" || "$source" -nt "$object" || -n "$(find "$source_dir/automerge" -name '*.h' -newer "$object" -print -quit)" ]]; then
    "$CLANG" "${flags[@]}" $sodium_flags -c "$source" -o "$object" &
    pids+=($!)
  fi
done
for pid in "${pids[@]}"; do wait "$pid"; done
"$CLANG" -fsanitize=fuzzer,address,undefined "${objects[@]}" $(pkg-config --libs libsodium) -lz -o "$work/fuzz_load"
cp "$source_dir"/tests/fixtures/automerge/*.automerge "$source_dir"/tests/fixtures/automerge/*.changes "$work/corpus/" 2>/dev/null || true
# Document bodies too: inputs without the magic bytes are wrapped in a valid chunk header.
python3 - "$source_dir/tests/fixtures/automerge" "$work/corpus" <<'PY'
import pathlib, sys
for path in pathlib.Path(sys.argv[1]).glob('*.automerge'):
    data = path.read_bytes()
    if len(data) < 10 or data[8] != 0:
        continue
    offset = 9
    while data[offset] & 0x80:
        offset += 1
    (pathlib.Path(sys.argv[2]) / (path.stem + '.body')).write_bytes(data[offset + 1:])
PY
if [[ -d "$source_dir/tests/fixtures/automerge/fuzz-crashers" ]]; then
  cp "$source_dir"/tests/fixtures/automerge/fuzz-crashers/* "$work/corpus/" 2>/dev/null || true
fi
cd "$work"
./fuzz_load -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 corpus
