#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one fuzz target for a fixed time on a copy of its seed corpus; any
# crash, sanitizer report, leak, timeout or memory blow-up fails the test
# and prints the input that caused it.
# Usage: run_fuzzer.sh <target binary> <seed corpus dir> <seconds> [extra libFuzzer flags]
set -euo pipefail
target=$1
seeds=$2
seconds=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp -r "$seeds"/. "$work/corpus/"
cd "$work"
# -rss_limit_mb: a reader that allocates what a header claims fails here;
# 512 lies below what the bombs of the picture tests cost unchecked.
# The seed is fixed so that a test run walks the same inputs on every
# machine: a commit fails for what it changed, not for the luck of the draw.
# TIVOLEN_FUZZ_SEED=0 draws a new walk, for hunting by hand.
# The sanitizer keeps freed memory aside to catch late use; a picture
# within the decode budget, decoded a few times over, would then count
# several times against the limit. A small quarantine keeps the peak what
# the readers hold.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16"
# A finding ends the target with an error; the input is still to be shown.
set +e
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=512 -print_final_stats=1 \
  -seed="${TIVOLEN_FUZZ_SEED:-1}" \
  "$@" "$work/corpus" 2>&1 | tail -n 25
status=${PIPESTATUS[0]}
set -e
if compgen -G "$work/crash-*" >/dev/null || compgen -G "$work/leak-*" >/dev/null ||
  compgen -G "$work/timeout-*" >/dev/null || compgen -G "$work/oom-*" >/dev/null; then
  for finding in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
    [[ -e $finding ]] || continue
    echo "finding: $(basename "$finding") ($(stat -c %s "$finding") bytes):"
    od -A d -t x1 "$finding" | head -n 20
    # Whole, to be saved as a regression input.
    (($(stat -c %s "$finding") <= 8192)) && base64 -w 76 "$finding"
  done
  exit 1
fi
exit "$status"
