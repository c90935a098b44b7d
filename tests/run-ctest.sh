#!/usr/bin/env bash
# Runs ctest inside the environment the tests need: a private HOME and runtime folder.
set -euo pipefail
scratch=$(mktemp -d /tmp/novra-ci-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" TMPDIR="$scratch"
unset XDG_DATA_HOME
ctest --output-on-failure -j"$(nproc)" "$@"
