#!/usr/bin/env bash
# Counts non-blank, non-comment lines of the project's source files: the tests (tests/) against the
# product (every other source file outside bench/).
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  git ls-files -- "$@" | while read -r f; do
    case "$f" in
      *.cpp|*.h|*.qml|*.js) grep -vE '^\s*$|^\s*(//|/\*|\*)' "$f" || true ;;
      *.sh|*.py|*.cmake|*CMakeLists.txt) grep -vE '^\s*$|^\s*#' "$f" || true ;;
    esac
  done | wc -l
}
tests=$(count tests)
product=$(count . ':!tests' ':!bench')
echo "tests $tests product $product ratio $(awk "BEGIN { printf \"%.2f\", $tests / $product }")"
