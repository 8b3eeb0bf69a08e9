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
# Then /ztpz.txt asked for on fresh connections, one at a time
# (fresh_latency.py), alone and while slow_readers.py keeps 33 slow readers
# (one more than the workers) on a 32 MiB /ztysb.data, each reading 1 KB
# every 4 s and reopened when the server cuts it off: p50 and max latency
# side by side. Target: every answer under 2 s, none failed.
#
# Last, a form with a 1 MiB picture sent to /identify/answer with curl:
# target 200 with the picture's size and a clean end (curl exit 0); and one
# with a 9 MiB picture, over the body limit: 413, also read cleanly.
#
# usage: tests/bench/server/run.sh [BUILD_DIR]   (default build/server-bench)
# environment: DURATION seconds per wrk run (default 10), SLOW_SECONDS per
# latency run (default 30)
set -eu
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
BUILD=${1:-$ROOT/build/server-bench}
DURATION=${DURATION:-10}
SLOW_SECONDS=${SLOW_SECONDS:-30}
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
SLOW=
cleanup() {
    [ -n "$IDLE" ] && kill -TERM "$IDLE" 2> /dev/null && wait "$IDLE" 2> /dev/null
    [ -n "$SLOW" ] && kill -TERM "$SLOW" 2> /dev/null && wait "$SLOW" 2> /dev/null
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
# A database of tens of MB, as a large catalogue has, so that a slow
# reader's answer cannot fit in the socket buffers.
head -c 33554432 /dev/urandom > "$TMP/out/ztysb.data"

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

# Prints "requests p50 max failed" of /ztpz.txt on fresh connections.
latency() {
    python3 "$ROOT/tests/bench/server/fresh_latency.py" "$PORT" /ztpz.txt "$SLOW_SECONDS" |
        awk '{ print $2, $4, $6, $8 }'
}
SLOW_COUNT=33
set -- $(latency)
A_N=$1 A_P50=$2 A_MAX=$3 A_FAIL=$4
python3 "$ROOT/tests/bench/server/slow_readers.py" "$PORT" "$SLOW_COUNT" /ztysb.data > "$TMP/slow" &
SLOW=$!
for _ in $(seq 100); do
    grep -q '^holding' "$TMP/slow" 2> /dev/null && break
    sleep 0.1
done
grep -q '^holding' "$TMP/slow" || { echo "run.sh: slow readers could not start" >&2; exit 1; }
set -- $(latency)
L_N=$1 L_P50=$2 L_MAX=$3 L_FAIL=$4
kill -TERM "$SLOW" && wait "$SLOW"
SLOW=
set -- $(sed -n 's/^cut \([0-9]*\) lifetime_avg \([0-9.]*\) lifetime_max \([0-9.]*\)/\1 \2 \3/p' "$TMP/slow")
CUT=${1:-} CUT_AVG=${2:-} CUT_MAX=${3:-}

# Prints "status seconds curl-exit" of a form with the picture $1 sent
# to /identify/answer; the answer page goes to $TMP/answer.
send_form() {
    out=$(curl -s -o "$TMP/answer" -w '%{http_code} %{time_total}' \
        -F "uploaded_file=@$1;type=image/png" "http://127.0.0.1:$PORT/identify/answer") && rc=0 || rc=$?
    echo "$out $rc"
}
head -c 1048576 /dev/urandom > "$TMP/picture.png"
set -- $(send_form "$TMP/picture.png")
F_STATUS=$1 F_TIME=$2 F_RC=$3
F_SIZE=$(iconv -f GBK -t UTF-8 "$TMP/answer" | sed -n 's/.*收到图片 \([0-9]*\) 字节.*/\1/p')
head -c 9437184 /dev/urandom > "$TMP/picture.png"
set -- $(send_form "$TMP/picture.png")
O_STATUS=$1 O_TIME=$2 O_RC=$3

echo "yanqing-server, 16 connections, ${DURATION}s each, $(nproc) cores"
printf '%-12s %12s %10s %10s\n' path requests/s p50 p99
printf '%-12s %12s %10s %10s\n' /ztpz.txt "$S_RPS" "$S_P50" "$S_P99"
printf '%-12s %12s %10s %10s\n' /text.php "$P_RPS" "$P_P50" "$P_P99"
printf '%-12s %12s %10s %10s\n' "+$IDLE_COUNT idle" "$I_RPS" "$I_P50" "$I_P99"
echo "text.php / static ratio: $(echo "$P_RPS $S_RPS" | awk '{ printf "%.3f", $1 / $2 }')"
echo "text.php with $IDLE_COUNT idle connections / without: $(echo "$I_RPS $P_RPS" | awk '{ printf "%.3f", $1 / $2 }')" \
    "(the server closed $REOPENED idle ones meanwhile; each was reopened)"
echo "text.php non-2xx answers: $P_ERR, with idle connections: $I_ERR"
echo
echo "/ztpz.txt on fresh connections, one at a time, ${SLOW_SECONDS}s each"
printf '%-18s %9s %9s %9s %7s\n' "" requests "p50 ms" "max ms" failed
printf '%-18s %9s %9s %9s %7s\n' alone "$A_N" "$A_P50" "$A_MAX" "$A_FAIL"
printf '%-18s %9s %9s %9s %7s\n' "+$SLOW_COUNT slow readers" "$L_N" "$L_P50" "$L_MAX" "$L_FAIL"
echo "p50 with $SLOW_COUNT slow readers / alone: $(echo "$L_P50 $A_P50" | awk '{ printf "%.3f", $1 / $2 }')"
echo "slow readers cut off meanwhile: ${CUT:-?} (after ${CUT_AVG:-?} s on average, ${CUT_MAX:-?} s at most); each was reopened"
echo "/identify/answer, 1 MiB picture: status $F_STATUS in ${F_TIME}s, size reported ${F_SIZE:-none}, curl exit $F_RC"
echo "/identify/answer, 9 MiB picture: status $O_STATUS in ${O_TIME}s, curl exit $O_RC"
status=0
echo "$P_RPS" | awk '{ exit !($1 >= 200) }' && echo "target >= 200 requests/s: met" ||
    { echo "target >= 200 requests/s: NOT met"; status=1; }
echo "$I_RPS $P_RPS" | awk '{ exit !($1 >= 0.8 * $2) }' && echo "target idle ratio >= 0.8: met" ||
    { echo "target idle ratio >= 0.8: NOT met"; status=1; }
echo "$L_MAX $L_FAIL" | awk '{ exit !($1 < 2000 && $2 == 0) }' &&
    echo "target /ztpz.txt under 2 s beside $SLOW_COUNT slow readers: met" ||
    { echo "target /ztpz.txt under 2 s beside $SLOW_COUNT slow readers: NOT met"; status=1; }
[ "$F_STATUS $F_SIZE $F_RC" = "200 1048576 0" ] && echo "target 1 MiB form answered with its size, no reset: met" ||
    { echo "target 1 MiB form answered with its size, no reset: NOT met"; status=1; }
[ "$O_STATUS $O_RC" = "413 0" ] && echo "target 9 MiB form refused with a readable 413: met" ||
    { echo "target 9 MiB form refused with a readable 413: NOT met"; status=1; }
exit $status
