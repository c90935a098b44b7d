#!/usr/bin/env bash
# Sets up, builds and runs every test. Extra arguments go to ctest (for example -L unit).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cd "${NOVRA_BUILD_DIR:-$root/build}"
exec bash "$root/tests/run-ctest.sh" "$@"
