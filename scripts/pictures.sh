#!/usr/bin/env bash
# Makes the README's pictures again: builds, runs the view tests (which render every state they
# check into build/pictures/) and copies the three chosen renders into docs/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_BUILD_DIR:-$root/build}"
bash "$root/scripts/build.sh"
(cd "$build" && bash "$root/tests/run-ctest.sh" -L views >/dev/null)
mkdir -p "$root/docs"
for name in library friends settings; do
  if [[ -f "$build/pictures/$name.png" ]]; then
    cp "$build/pictures/$name.png" "$root/docs/$name.png"
    echo "docs/$name.png"
  else
    echo "no picture $name.png: no view test renders it yet" >&2
  fi
done
