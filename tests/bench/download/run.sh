#!/bin/bash
# Font transfer throughput: a 30 MB packed body from the release yanqing-server
# on loopback, fetched under Wine by font_transfer and by a bare WinINet read
# loop (64 KB reads, the platform's floor), and natively by curl, in one run.
# Target: font_transfer >= 0.8 x the bare loop.
#
# usage: tests/bench/download/run.sh [SERVER_BUILD_DIR [WIN_BUILD_DIR]]
#   defaults build/dl-bench (bench preset) and build/dl-bench-win64 (win64
#   preset with YQ_BENCH=ON); both are configured and built when missing.
# environment: ROUNDS (default 5), MB body size (default 30)
set -eu
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
SERVER_BUILD=${1:-$ROOT/build/dl-bench}
WIN_BUILD=${2:-$ROOT/build/dl-bench-win64}
ROUNDS=${ROUNDS:-5}
MB=${MB:-30}
cd "$ROOT"

if [ ! -f "$SERVER_BUILD/build.ninja" ]; then
    cmake --preset bench -B "$SERVER_BUILD" > /dev/null
fi
cmake --build "$SERVER_BUILD" -j2 --target yanqing-server > /dev/null
if [ ! -f "$WIN_BUILD/build.ninja" ]; then
    cmake --preset win64 -B "$WIN_BUILD" -DYQ_BENCH=ON -DYQ_TESTS=OFF > /dev/null
fi
cmake --build "$WIN_BUILD" -j2 --target bench_download > /dev/null
BIN=$SERVER_BUILD/server/yanqing-server
command -v curl > /dev/null || { echo "run.sh: curl is not installed" >&2; exit 1; }

TMP=$(mktemp -d)
PID=
cleanup() {
    if [ -n "$PID" ]; then
        kill -TERM "$PID" 2> /dev/null
        wait "$PID" 2> /dev/null || true
    fi
    rm -rf "$TMP"
}
trap cleanup EXIT

# Font-like data compresses; random data keeps the packed body near its size.
mkdir -p "$TMP/www/ztwjj"
head -c $((MB * 1000 * 1000)) /dev/urandom > "$TMP/font.src"
"$BIN" pack "$TMP/font.src" "$TMP/www/ztwjj/big.tmp" > /dev/null
SIZE=$(stat -c %s "$TMP/www/ztwjj/big.tmp")

"$BIN" serve "$TMP/www" --port 0 2> "$TMP/log" &
PID=$!
PORT=
for _ in $(seq 100); do
    PORT=$(sed -n 's|.*http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$TMP/log")
    [ -n "$PORT" ] && break
    sleep 0.1
done
[ -n "$PORT" ] || { echo "run.sh: server did not start" >&2; cat "$TMP/log" >&2; exit 1; }
URL="http://127.0.0.1:$PORT/ztwjj/big.tmp"

# curl: best and median of ROUNDS, MB/s.
speeds=()
for _ in $(seq "$ROUNDS"); do
    speeds+=("$(curl -s -o /dev/null -w '%{speed_download}' "$URL")")
done
CURL=$(printf '%s\n' "${speeds[@]}" | sort -g | awk '{ v[NR] = $1 } END { printf "%.1f %.1f", v[NR] / 1e6, v[int(NR / 2) + 1] / 1e6 }')

echo "font transfer benchmark: $SIZE-byte packed body on loopback, $(nproc) cores"
"$ROOT/cmake/wine-run.sh" "$WIN_BUILD/tests/bench/download/bench_download.exe" "$URL" \
    'C:\bench.ttf' "$ROUNDS" | tr -d '\r' | tee "$TMP/out"
set -- $CURL
printf "%-40s %10s %10s\n" "curl (native)" "$1" "$2"
RATIO=$(sed -n 's/^ratio font_transfer \/ bare 64 KB: best \([0-9.]*\),.*/\1/p' "$TMP/out")
echo "$RATIO" | awk '{ exit !($1 >= 0.8) }' && echo "target >= 0.8 x bare loop: met" ||
    { echo "target >= 0.8 x bare loop: NOT met"; exit 1; }
