#!/usr/bin/env bash
# Builds the archive reader's fuzzing target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in its own build folder and runs it for SECONDS (default 60).
#   bash scripts/fuzz.sh SECONDS [libFuzzer options...]
# The corpus grows in $NOVRA_FUZZ_BUILD_DIR/corpus (default ./build-fuzz); findings are written to
# $NOVRA_FUZZ_BUILD_DIR/findings/ and make the script fail (exit status 1, or 71 when the fuzzer ran out of
# memory). Exit status 77: no clang here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-60}"
shift || true
build="${NOVRA_FUZZ_BUILD_DIR:-$root/build-fuzz}"

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is not installed" >&2
  exit 77
fi
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S "$root/tests/fuzz" -B "$build" -G Ninja \
    -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -- -j2 | grep -v -E '^\[[0-9]+/[0-9]+\] ' || true
test "${PIPESTATUS[0]}" -eq 0

mkdir -p "$build/corpus" "$build/seeds" "$build/findings"
"$build/archive_seeds" "$build/seeds"
# The seeds only start the corpus; new inputs go to the first folder. libFuzzer reports a finding
# with exit status 77 unless told otherwise, which is the status that says "no clang" here: a
# finding must end with a failure, never with what reads as a skip.
exec "$build/archive_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -error_exitcode=1 -timeout_exitcode=1 \
  -dict="$root/tests/fuzz/archive.dict" -artifact_prefix="$build/findings/" -print_final_stats=1 \
  "$@" "$build/corpus" "$build/seeds"
