#!/usr/bin/env bash
# Hash and download benchmarks on one 500 MB file, each against its peer tool in the same run:
# LauncherCore::hash against sha256sum and openssl dgst -sha256, LauncherCore::download over
# loopback HTTPS against plain curl with the same arguments. Prints medians and ratios.
# NOVRA_BENCH_MB changes the size, NOVRA_BENCH_REPETITIONS the number of runs (default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_BUILD_DIR:-$root/build}"
megabytes="${NOVRA_BENCH_MB:-500}"
repetitions="${NOVRA_BENCH_REPETITIONS:-5}"

bash "$root/scripts/build.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/novra-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
head -c $((megabytes * 1000 * 1000)) /dev/urandom >"$work/file"
cat "$work/file" >/dev/null # in the page cache for every contender alike

options=(--benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true
  --benchmark_format=json)
NOVRA_BENCH_FILE="$work/file" "$build/bench/bench_hash" "${options[@]}" >"$work/hash.json"
NOVRA_BENCH_FILE="$work/file" "$build/bench/bench_download" "${options[@]}" >"$work/download.json"

python3 - "$work/hash.json" "$work/download.json" "$megabytes" <<'PY'
import json, statistics, sys

runs = {}
for path in sys.argv[1:3]:
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type") == "iteration":
            runs.setdefault(b["run_name"].split("/")[0], []).append(b)

def median(name, key="real_time"):
    return statistics.median(r[key] for r in runs[name])

megabytes = float(sys.argv[3])
print(f"file: {megabytes:.0f} MB, {len(runs['LauncherHash'])} runs each, interleaved; medians")
for name in ["LauncherHash", "Sha256sum", "OpensslDgst", "LauncherDownload", "PlainCurl",
             "PlainCurlIntoCreatedFile"]:
    t = median(name)
    fastest = min(r["real_time"] for r in runs[name])
    spread = statistics.pstdev(r["real_time"] for r in runs[name]) / statistics.mean(r["real_time"] for r in runs[name])
    print(f"  {name:24} {t:9.1f} ms  {megabytes / (t / 1000):8.1f} MB/s   fastest {fastest:9.1f} ms   cv {spread:5.1%}")
print(f"  launcher thread CPU during a download: {median('LauncherDownload', 'launcher_cpu_ms'):.1f} ms")
print("ratios of the medians (time / time of the peer, below 1 is faster):")
print(f"  hash / openssl dgst      {median('LauncherHash') / median('OpensslDgst'):.3f}")
print(f"  hash / sha256sum         {median('LauncherHash') / median('Sha256sum'):.3f}")
print(f"  download / plain curl    {median('LauncherDownload') / median('PlainCurl'):.3f}")
print(f"  download / plain curl into an existing empty file (as the download leaves it) "
      f"{median('LauncherDownload') / median('PlainCurlIntoCreatedFile'):.3f}")
PY
