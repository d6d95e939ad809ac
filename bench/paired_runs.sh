# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the speed comparisons: runs two commands in alternation (A B,
# then B A, ...), each under /usr/bin/time, so load on the machine falls on
# both alike; wall time and peak RSS are medians of the same runs. Needs
# $work (a scratch folder) and $runs; $warmups runs of each come first and
# are not counted (3 unless set).

# One timed run: appends "milliseconds KiB" to the file $1.
timed_run() {  # results command...
  local out=$1 start end
  shift
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1
  end=$EPOCHREALTIME
  echo "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", (e - s) * 1000 }') $(cat "$work/rss")" >>"$out"
}

median_of() {  # file column
  sort -g -k"$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

# Sets pair_a_ms, pair_b_ms, pair_a_mib, pair_b_mib.
run_pair() {  # "command A" "command B"
  local a b i
  read -r -a a <<<"$1"
  read -r -a b <<<"$2"
  : >"$work/a"
  : >"$work/b"
  for ((i = 0; i < ${warmups:-3}; i++)); do
    timed_run /dev/null "${a[@]}"
    timed_run /dev/null "${b[@]}"
  done
  for ((i = 0; i < runs; i++)); do
    if ((i % 2 == 0)); then
      timed_run "$work/a" "${a[@]}"
      timed_run "$work/b" "${b[@]}"
    else
      timed_run "$work/b" "${b[@]}"
      timed_run "$work/a" "${a[@]}"
    fi
  done
  pair_a_ms=$(median_of "$work/a" 1)
  pair_b_ms=$(median_of "$work/b" 1)
  pair_a_mib=$(awk -v k="$(median_of "$work/a" 2)" 'BEGIN { printf "%.1f", k / 1024 }')
  pair_b_mib=$(awk -v k="$(median_of "$work/b" 2)" 'BEGIN { printf "%.1f", k / 1024 }')
}
