#!/usr/bin/env bash
# SelfUpdateCore::prepare on a launcher bundle of NOVRA_BENCH_MB megabytes (default 200) against
# `cp -a` + `sync -f` and plain `cp -a` of the same bundle, in the same run, interleaved.
# NOVRA_BENCH_REPETITIONS sets the number of runs (default 5). Prints medians and ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_BUILD_DIR:-$root/build}"
megabytes="${NOVRA_BENCH_MB:-200}"
repetitions="${NOVRA_BENCH_REPETITIONS:-5}"

bash "$root/scripts/build.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/novra-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bundles"

NOVRA_BENCH_DIR="$work/bundles" NOVRA_BENCH_MB="$megabytes" "$build/bench/bench_prepare" \
  --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
  --benchmark_format=json >"$work/prepare.json"

python3 - "$work/prepare.json" "$megabytes" <<'PY'
import json, statistics, sys

runs = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("run_type") == "iteration":
        runs.setdefault(b["run_name"].split("/")[0], []).append(b["real_time"])
megabytes = float(sys.argv[2])
print(f"bundle: {megabytes:.0f} MB in files of 1 MB, {len(runs['Prepare'])} runs each, interleaved; medians")
for name in ["Prepare", "CopyAndFlush", "Validate", "CopyAndSync", "Copy"]:
    t = statistics.median(runs[name])
    cv = statistics.pstdev(runs[name]) / statistics.mean(runs[name])
    print(f"  {name:12} {t:9.1f} ms  {megabytes / (t / 1000):8.1f} MB/s   fastest {min(runs[name]):9.1f} ms   cv {cv:5.1%}")
m = {name: statistics.median(v) for name, v in runs.items()}
print("ratios of the medians (time / time of the peer):")
print(f"  prepare / (cp -a + sync -f)  {m['Prepare'] / m['CopyAndSync']:.3f}")
print(f"  prepare / cp -a              {m['Prepare'] / m['Copy']:.3f}")
print(f"  copy and flush / (cp -a + sync -f)  {m['CopyAndFlush'] / m['CopyAndSync']:.3f}")
PY
