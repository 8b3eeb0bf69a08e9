#!/bin/bash
# Fonts dropped on the window under Wine: a .zip pack of COUNT fonts
# (deflated) installed by the drop's own worker, beside COUNT loose font files
# installed by the plain loop of install_font (target: the pack at most 1.2x
# the loose files), and the UI thread's longest wait between two of the
# ticks posted to it every 10 ms while the pack installs (target: under 50 ms).
# Every round installs a font set of its own (faces nothing else has); the
# sides take turns loose, pack, pack, loose, ... so both find as many fonts
# installed before them on average. Runs in a fresh copy of the template
# prefix; the prefix, the fonts and the packs are removed afterwards.
# usage: tests/bench/fonts/drop.sh WIN64_BUILD_DIR [COUNT] [BLOCKS]
#        (BLOCKS of four rounds each; defaults 200 fonts, 1 block)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:?usage: drop.sh WIN64_BUILD_DIR [COUNT] [BLOCKS]}
count=${2:-200}
blocks=${3:-1}
cmake --build "$build" --target bench_fonts_drop >/dev/null
. "$root/scripts/wine/env.sh"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true; "$WINESERVER" -w >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
bin="$build/tests/bench/fonts"
win_path() { local p="Z:$1"; echo "${p//\//\\}"; }

# The font sets: BenchDropA, BenchDropB, ... one a round; the pack rounds'
# sets are zipped and their loose files removed.
rounds=$((4 * blocks))
letters=ABCDEFGHIJKLMNOPQRSTUVWX
[ "$rounds" -le ${#letters} ] || { echo "drop.sh: at most $((${#letters} / 4)) blocks" >&2; exit 2; }
sides=()
for ((r = 0; r < rounds; ++r)); do
  case $((r % 4)) in 0|3) side=loose ;; *) side=pack ;; esac
  sides+=("$side")
  stem=BenchDrop${letters:r:1}
  /usr/bin/python3 "$root/tests/win/fonts/make_test_fonts.py" --bench "$count" "$work/set$r" "$stem"
  if [ "$side" = pack ]; then
    /usr/bin/python3 - "$work/set$r" "$work/set$r.zip" <<'EOF'
import os, sys, zipfile
src, out = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for name in sorted(os.listdir(src)):
        z.write(os.path.join(src, name), name)
EOF
    rm -rf "$work/set$r"
  fi
done
mkdir -p "$work/unpack"

"$root/scripts/wine/fresh-prefix.sh" "$WINEPREFIX"
"$WINESERVER" -p10 </dev/null >/dev/null 2>&1

echo "== $count fonts dropped as a .zip pack beside $count loose files, $rounds rounds"
log="$work/log"
for ((r = 0; r < rounds; ++r)); do
  if [ "${sides[r]}" = loose ]; then
    "$WINE" "$bin/bench_fonts_drop.exe" loose "$(win_path "$work/set$r")" "$count" | tee -a "$log"
  else
    "$WINE" "$bin/bench_fonts_drop.exe" pack "$(win_path "$work/set$r.zip")" \
      "$(win_path "$work/unpack")" "$count" | tee -a "$log"
  fi
done
# Each block of four rounds is balanced on its own: its ratio shows how far
# the figures wander from block to block.
tr -d '\r' <"$log" | awk '
  $1 == "loose" || $1 == "pack" { b = int(r / 4); r++ }
  $1 == "loose" { loose += $4; nl++; bl[b] += $4 }
  $1 == "pack"  { pack += $4; np++; bp[b] += $4 }
  /max gap/     { g = $7 + 0; if (g > gap) gap = g }
  /unpacking alone/ { unpack += $5; nu++ }
  END {
    printf "loose files, mean of %d  %9.1f ms\n", nl, loose / nl
    printf "zip pack, mean of %d     %9.1f ms   %.2fx   (target <= 1.2x)\n", np, pack / np, (pack / np) / (loose / nl)
    printf "  unpacking alone, mean  %9.1f ms           (the same entries unpacked, none installed)\n", unpack / nu
    blocks = ""
    for (i = 0; i < r / 4; ++i) blocks = blocks sprintf(" %.2fx", bp[i] / bl[i])
    printf "  ratio of each block   %s\n", blocks
    printf "UI thread, max gap       %9.1f ms           (target max gap < 50 ms)\n", gap
  }'
