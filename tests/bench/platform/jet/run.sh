#!/bin/bash
# Jet reader speed, side by side in one run:
#   1. every row of a 100,000-row table (Text + 4 KB Long Binary) as hex CSV
#      to /dev/null: our reader vs mdb-export -b hex (target: 3x faster);
#   2. the last 5 rows reached with a move to row n vs the full dump
#      (target: at most 1/20 of the time).
# Usage: tests/bench/platform/jet/run.sh BENCH_BUILD_DIR [ROWS] [RUNS]
set -euo pipefail
build=${1:?usage: run.sh BENCH_BUILD_DIR [ROWS] [RUNS]}
rows=${2:-100000}
runs=${3:-5}
bench="$build/tests/bench/platform/jet/bench_jet"
[ -x "$bench" ] || { echo "build bench_jet first: cmake --build $build --target bench_jet" >&2; exit 1; }
command -v mdb-export >/dev/null || { echo "mdb-export missing (apt-get install mdbtools)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/bench.mdb"
"$bench" make "$file" "$rows"
ls -l "$file" | awk '{printf "file: %.1f MB\n", $5 / 1048576}'

# Wall seconds of one command with its output thrown away.
seconds() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null
  t1=$(date +%s%N)
  echo "scale=4; ($t1 - $t0) / 1000000000" | bc
}
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

# Warm the page cache, then alternate the commands so drift hits both alike.
"$bench" dump "$file" bench >/dev/null
mdb-export -b hex "$file" bench >/dev/null
: >"$work/ours" ; : >"$work/theirs" ; : >"$work/tail"
for _ in $(seq "$runs"); do
  seconds "$bench" dump "$file" bench >>"$work/ours"
  seconds mdb-export -b hex "$file" bench >>"$work/theirs"
  seconds "$bench" tail "$file" bench 5 >>"$work/tail"
done
# Both print the same CSV.
if cmp -s <("$bench" dump "$file" bench) <(mdb-export -b hex "$file" bench); then same=yes; else same=NO; fi
ours=$(median <"$work/ours"); theirs=$(median <"$work/theirs"); tail5=$(median <"$work/tail")
echo "rows: $rows, runs: $runs (medians), same CSV as mdb-export: $same"
printf 'full dump, our reader:      %8.3f s\n' "$ours"
printf 'full dump, mdb-export:      %8.3f s\n' "$theirs"
printf 'speed-up over mdb-export:   %8.1fx (target >= 3)\n' "$(echo "scale=4; $theirs / $ours" | bc)"
printf 'last 5 rows, our reader:    %8.3f s\n' "$tail5"
printf 'last 5 rows / full dump:    %8.4f   (target <= 0.05)\n' "$(echo "scale=6; $tail5 / $ours" | bc)"
