#!/bin/sh
# /text.php under load: builds a small catalogue from installed fonts, starts
# the release yanqing-server (bench preset), runs wrk with 16 connections
# against /text.php and, side by side as the baseline, against the static
# /ztpz.txt, stops the server and prints requests per second, p50/p99
# latency and the ratio of the two. Target: /text.php >= 200 requests/s.
#
# Then /text.php again while hold_idle.py keeps 200 idle connections open
# (reopening those the server closes), beside the run without them.
# Target: at least 0.8 of the answer rate without them.
#
# usage: tests/bench/server/run.sh [BUILD_DIR]   (default build/server-bench)
# environment: DURATION seconds per wrk run (default 10)
set -eu
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
BUILD=${1:-$ROOT/build/server-bench}
DURATION=${DURATION:-10}
BIN=$BUILD/server/yanqing-server
. "$(dirname "$0")/../../support/server_port.sh"

command -v wrk > /dev/null || { echo "run.sh: wrk is not installed" >&2; exit 1; }
if [ ! -x "$BIN" ]; then
    cmake --preset bench -B "$BUILD" > /dev/null
    cmake --build "$BUILD" -j2 --target yanqing-server
fi

TMP=$(mktemp -d)
PID=
IDLE=
cleanup() {
    [ -n "$IDLE" ] && kill -TERM "$IDLE" 2> /dev/null && wait "$IDLE" 2> /dev/null
    [ -n "$PID" ] && kill -TERM "$PID" 2> /dev/null && wait "$PID" 2> /dev/null
    rm -rf "$TMP"
}
trap cleanup EXIT

SONG=/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf
SANS=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
for f in "$SONG" "$SANS"; do
    [ -f "$f" ] || { echo "run.sh: $f is not installed (fonts-arphic-gbsn00lp, fonts-dejavu-core)" >&2; exit 1; }
done
mkdir -p "$TMP/src/中文字体/宋体" "$TMP/src/英文字体/Sans"
cp "$SONG" "$TMP/src/中文字体/宋体/"
cp "$SANS" "$TMP/src/英文字体/Sans/"
"$BIN" build "$TMP/src" "$TMP/out" > /dev/null

"$BIN" serve "$TMP/out" --port 0 2> "$TMP/log" &
PID=$!
PORT=$(server_port "$TMP/log" "$PID") ||
    { echo "run.sh: server did not start" >&2; cat "$TMP/log" >&2; exit 1; }

# GBK bytes, percent-encoded, as the program sends them.
gbk_escape() { printf '%s' "$1" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -s ' \n' ' ' | sed 's/ $//; s/ /%/g; s/^%*/%/'; }
MSG=$(gbk_escape "中文预览")ABC
FONT=$(gbk_escape "文鼎ＰＬ简报宋")
PREVIEW="http://127.0.0.1:$PORT/text.php?msg=$MSG&rot=15&size=24&font=fonts/$FONT.ttf"
STATIC="http://127.0.0.1:$PORT/ztpz.txt"
[ "$(curl -s -o /dev/null -w '%{http_code} %{content_type}' "$PREVIEW")" = "200 image/png" ] ||
    { echo "run.sh: /text.php does not answer with a PNG" >&2; exit 1; }

# Prints "requests/s p50 p99" of one wrk run.
measure() {
    wrk -t2 -c16 -d"${DURATION}s" --latency "$1" > "$TMP/wrk" 2>&1
    rps=$(sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p' "$TMP/wrk")
    p50=$(sed -n 's/^ *50% *\([0-9.]*[a-z]*\).*/\1/p' "$TMP/wrk")
    p99=$(sed -n 's/^ *99% *\([0-9.]*[a-z]*\).*/\1/p' "$TMP/wrk")
    errors=$(sed -n 's/^ *Non-2xx or 3xx responses: *\([0-9]*\).*/\1/p' "$TMP/wrk")
    echo "$rps $p50 $p99 ${errors:-0}"
}
set -- $(measure "$STATIC")
S_RPS=$1 S_P50=$2 S_P99=$3
set -- $(measure "$PREVIEW")
P_RPS=$1 P_P50=$2 P_P99=$3 P_ERR=$4

IDLE_COUNT=200
python3 "$ROOT/tests/bench/server/hold_idle.py" "$PORT" "$IDLE_COUNT" > "$TMP/idle" &
IDLE=$!
for _ in $(seq 100); do
    grep -q '^holding' "$TMP/idle" 2> /dev/null && break
    sleep 0.1
done
grep -q '^holding' "$TMP/idle" || { echo "run.sh: idle connections could not be opened" >&2; exit 1; }
set -- $(measure "$PREVIEW")
I_RPS=$1 I_P50=$2 I_P99=$3 I_ERR=$4
kill -TERM "$IDLE" && wait "$IDLE"
IDLE=
REOPENED=$(sed -n 's/^reopened //p' "$TMP/idle")

echo "yanqing-server, 16 connections, ${DURATION}s each, $(nproc) cores"
printf '%-12s %12s %10s %10s\n' path requests/s p50 p99
printf '%-12s %12s %10s %10s\n' /ztpz.txt "$S_RPS" "$S_P50" "$S_P99"
printf '%-12s %12s %10s %10s\n' /text.php "$P_RPS" "$P_P50" "$P_P99"
printf '%-12s %12s %10s %10s\n' "+$IDLE_COUNT idle" "$I_RPS" "$I_P50" "$I_P99"
echo "text.php / static ratio: $(echo "$P_RPS $S_RPS" | awk '{ printf "%.3f", $1 / $2 }')"
echo "text.php with $IDLE_COUNT idle connections / without: $(echo "$I_RPS $P_RPS" | awk '{ printf "%.3f", $1 / $2 }')" \
    "(the server closed $REOPENED idle ones meanwhile; each was reopened)"
echo "text.php non-2xx answers: $P_ERR, with idle connections: $I_ERR"
status=0
echo "$P_RPS" | awk '{ exit !($1 >= 200) }' && echo "target >= 200 requests/s: met" ||
    { echo "target >= 200 requests/s: NOT met"; status=1; }
echo "$I_RPS $P_RPS" | awk '{ exit !($1 >= 0.8 * $2) }' && echo "target idle ratio >= 0.8: met" ||
    { echo "target idle ratio >= 0.8: NOT met"; status=1; }
exit $status
