#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file the repository tracks names its licence in its first
# lines, so a file copied out of the tree still says what it may be used for.
set -euo pipefail
root=${1:?usage: licence_lines_test.sh SOURCE_DIR}
cd "$root"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || { echo "SKIP: not a git checkout"; exit 77; }
missing=0
while IFS= read -r -d '' file; do
  case "$file" in
    tests/fuzz/corpus/* | tests/data/*) continue ;;
  esac
  if ! head -n 3 -- "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later'; then
    echo "no licence line: $file"
    missing=$((missing + 1))
  fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.c' '*.h.in' '*.rc' '*.sh' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' '.ci/run')
if ((missing > 0)); then
  echo "FAIL: $missing files without the licence line"
  exit 1
fi
echo "PASS: every source file names GPL-3.0-or-later"
