#!/usr/bin/env bash
# A finding must fail a fuzzing run. Once the fuzzer runs, it gets SIGABRT, which it handles as it
# handles every crash it finds (the harness itself aborts on a broken promise of the reader): it
# reports a deadly signal and exits. The run must end with a failure status: neither 0 nor 77,
# the status that CTest reads as a skip.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# fuzz.sh builds the target first, then replaces itself with the fuzzer (same process id).
bash "$root/scripts/fuzz.sh" 600 -artifact_prefix="$scratch/" >"$scratch/log" 2>&1 &
fuzzer=$!
for _ in $(seq 1 6000); do
  grep -q "INITED" "$scratch/log" && break
  kill -0 "$fuzzer" 2>/dev/null || break
  sleep 0.2
done
kill -ABRT "$fuzzer" 2>/dev/null
wait "$fuzzer"
status=$?
if ! grep -q "ERROR: libFuzzer: deadly signal" "$scratch/log"; then
  cat "$scratch/log"
  echo "finding_fails: the fuzzer reported no crash (status $status)" >&2
  exit 1
fi
if [[ $status -eq 0 || $status -eq 77 ]]; then
  echo "finding_fails: a run with a finding ended with status $status" >&2
  exit 1
fi
