#!/usr/bin/env bash
# Non-blank, non-comment lines of the engine's code and of its tests, per
# folder, and the ratio of tests to code.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.py' \) -print0 2>/dev/null |
    xargs -0 cat | grep -v '^\s*$' | grep -v '^\s*//' | grep -v '^\s*#[^a-z]' | grep -vc '^\s*\*' || true
}
for d in src/* tests/*/; do [ -d "$d" ] && printf '%-22s %6d\n' "$d" "$(count "$d")"; done
code=$(count src include tools python examples)
tests=$(count tests)
printf 'code %d  tests %d  ratio %.2f\n' "$code" "$tests" "$(echo "$tests / $code" | bc -l)"
