#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Compiles every source of the build, tests included, with clang as well:
# code that only gcc accepts (a declaration clang parses as a function, a
# missing include gcc's headers bring along) breaks the first clang build
# of whoever builds with it. Syntax and semantics only, no code generated,
# with the build's own flags; any error or warning fails.
# Usage: clang_build_test.sh <build dir with compile_commands.json>
set -euo pipefail
build=$1
command -v clang++ >/dev/null || { echo "clang++ is not installed" >&2; exit 77; }
[[ -f $build/compile_commands.json ]] || { echo "no compile_commands.json in $build" >&2; exit 1; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT
python3 - "$build/compile_commands.json" <<'PY' |
import json, shlex, sys
for entry in json.load(open(sys.argv[1])):
    words = shlex.split(entry["command"])
    kept = ["clang++"]
    skip = False
    for word in words[1:]:
        if skip:
            skip = False
            continue
        if word == "-o":
            skip = True
            continue
        # gcc's own warning switches mean nothing to clang.
        if word in ("-Wno-restrict",):
            continue
        kept.append(word)
    kept += ["-fsyntax-only", "-Werror", "-Wno-unknown-warning-option"]
    print(shlex.quote(entry["directory"]) + "\t" + shlex.join(kept))
PY
  while IFS=$'\t' read -r dir command; do printf 'cd %s && %s\0' "$dir" "$command"; done |
  xargs -0 -P "$(nproc)" -n 1 bash -c >"$log" 2>&1 || {
  grep -E 'error|warning' "$log" | head -n 40
  echo "clang does not build the tree as gcc does" >&2
  exit 1
}
echo "clang builds all $(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$build/compile_commands.json") sources"
