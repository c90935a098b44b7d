#!/usr/bin/env bash
# Configures (once) and builds the project into ./build with Ninja.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_BUILD_DIR:-$root/build}"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
fi
cmake --build "$build" -- -j"$(nproc)" | grep -v -E '^\[[0-9]+/[0-9]+\] ' || true
# The pipe above hides Ninja's progress lines; its exit status is what counts.
test "${PIPESTATUS[0]}" -eq 0
