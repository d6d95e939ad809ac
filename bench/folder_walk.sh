#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the two folder walks beside find(1) on one synthetic tree of 100,000
# files in 1,000 folders on three levels, warm cache, in one hyperfine run:
#   - SearchFolder finding the tree's last image (every folder is walked),
#   - CountFolderItems counting the tree.
# Each must take no more than 1.0 × the median of `find DIR -type f | wc -l`;
# the script fails when one does not.
#
# usage: bench/folder_walk.sh [path/to/folder_walk_cli] [runs]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bench/folder_walk_cli}
runs=${2:-30}
limit=1.0
depth=3

tree=$(mktemp -d)
results=$(mktemp)
trap 'rm -rf "$tree" "$results"' EXIT

"$cli" generate "$tree/pics"
files=$(find "$tree/pics" -type f | wc -l)
images=$("$cli" images "$tree/pics" "$depth")
last=$("$cli" search "$tree/pics" "$images" "$depth")
echo "tree: $files files, $images images by the search's rules; last image: ${last#"$tree/"}"

hyperfine --warmup 5 --runs "$runs" --export-json "$results" \
  -n find "find '$tree/pics' -type f | wc -l" \
  -n SearchFolder "'$cli' search '$tree/pics' $images $depth" \
  -n CountFolderItems "'$cli' count '$tree/pics' $depth"

# Median of each command in ms, and its ratio to find's median.
jq -r --argjson limit "$limit" '
  (.results[] | select(.command == "find") | .median) as $anchor
  | .results[]
  | [.command, (.median * 1000 | . * 100 | round / 100), (.median / $anchor | . * 100 | round / 100),
     (if .command == "find" or .median <= $anchor * $limit then "ok" else "TOO SLOW" end)]
  | @tsv' "$results" |
  awk -F'\t' 'BEGIN { printf "%-18s %12s %8s\n", "command", "median ms", "ratio" }
              { printf "%-18s %12s %8s  %s\n", $1, $2, $3, $4; if ($4 != "ok") slow = 1 }
              END { exit slow }'
