#!/bin/bash
# Installed-font benchmarks under Wine, printed side by side:
#   1. face names of every font file below /usr/share/fonts: our name-table
#      reader vs GDI's scalable font resource route (target: 20x faster);
#   2. inventory rebuild + system font grid fill with COUNT registered fonts
#      (target: under 100 ms), and the peak of live HFONTs while the grid
#      scrolls end to end (bound: 200);
#   3. the same with USER_COUNT more fonts in the user's own key and Fonts
#      folder, beside the machine's key alone (target: at most 1.3x).
# Runs in a fresh copy of the template prefix, removed afterwards.
# usage: tests/bench/fonts/run.sh WIN64_BUILD_DIR [COUNT] [ROUNDS] [USER_COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:?usage: run.sh WIN64_BUILD_DIR [COUNT] [ROUNDS]}
count=${2:-2000}
rounds=${3:-5}
user_count=${4:-500}
cmake --build "$build" --target bench_fonts_face_names bench_fonts_inventory >/dev/null
. "$root/scripts/wine/env.sh"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true; "$WINESERVER" -w >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
"$root/scripts/wine/fresh-prefix.sh" "$WINEPREFIX"
"$WINESERVER" -p10 </dev/null >/dev/null 2>&1
bin="$build/tests/bench/fonts"

echo "== face-name reads"
"$WINE" "$bin/bench_fonts_face_names.exe" 'Z:\usr\share\fonts' "$rounds"

echo "== inventory rebuild and grid fill"
/usr/bin/python3 "$root/tests/win/fonts/make_test_fonts.py" --bench "$count" \
  "$WINEPREFIX/drive_c/windows/Fonts"
"$WINE" "$bin/bench_fonts_inventory.exe" register "$count"
# A new wineserver session: the next process loads the new fonts at start.
"$WINESERVER" -k || true
"$WINESERVER" -w
"$WINESERVER" -p10 </dev/null >/dev/null 2>&1
"$WINE" "$bin/bench_fonts_inventory.exe" run "$rounds"

echo "== the user's fonts beside the machine's alone"
user_dir=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v /Public/ | head -1)/Microsoft/Windows/Fonts
/usr/bin/python3 "$root/tests/win/fonts/make_test_fonts.py" --bench "$user_count" "$user_dir" BenchUser
user_win="C:\\${user_dir#"$WINEPREFIX/drive_c/"}"
"$WINE" "$bin/bench_fonts_inventory.exe" register-user "$user_count" "${user_win//\//\\}"
"$WINESERVER" -k || true
"$WINESERVER" -w
"$WINESERVER" -p10 </dev/null >/dev/null 2>&1
"$WINE" "$bin/bench_fonts_inventory.exe" union "$rounds"
