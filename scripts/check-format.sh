#!/usr/bin/env bash
# Checks the C and C++ sources of the given folders against .clang-format
# (default: src include tests tools bench examples fuzz). Prints each difference
# and exits non-zero when any file would change.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
clang_format=${CLANG_FORMAT:-clang-format}
if ! command -v "$clang_format" > /dev/null; then
  echo "check-format: $clang_format not found" >&2
  exit 2
fi
[ $# -gt 0 ] || set -- src include tests tools bench examples fuzz
files=()
for folder in "$@"; do
  if [ ! -e "$folder" ]; then
    echo "check-format: no such folder: $folder" >&2
    exit 2
  fi
  while IFS= read -r -d '' file; do files+=("$file"); done < <(
    find "$folder" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.hpp' \) -print0 | sort -z)
done
[ ${#files[@]} -gt 0 ] || { echo "check-format: no sources in $*"; exit 0; }
status=0
failed=0
for file in "${files[@]}"; do
  if ! "$clang_format" --dry-run --Werror --style=file "$file" 2> /dev/null; then
    "$clang_format" --dry-run --style=file "$file" 2>&1 | head -n 20 >&2 || true
    failed=$((failed + 1))
    status=1
  fi
done
echo "check-format: ${#files[@]} files checked, $failed to reformat"
exit $status
