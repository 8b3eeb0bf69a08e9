#!/bin/bash
# /text.php behind nginx: the release yanqing-server (bench preset) as
# server/deploy/ runs it, nginx from the site template in front of two
# renderers, beside one renderer that wrk asks directly, and beside nginx in
# front of one renderer (nginx's own share). wrk, 16 connections, the same
# preview request; the three runs take turns, ROUNDS times. Prints the
# answer rates, p50/p99, the ratios to the renderer alone, and the CPU time
# each process spent per answer; then all of it again with every process
# (wrk too) on one core, where CPU is the limit for certain.
#
# On 2 cores expect no gain: one renderer's 32 workers already draw on
# every core, so two renderers on the same cores have no more CPU to draw
# with, and nginx's hop costs some. Where the cores are the limit, as on a
# quiet machine of any size, the ratio tends to the ratio of the CPU per
# answer that the script prints (about 0.8 here); so a 4-core machine
# shows the same, not a gain. More renderers pay off with cores of their
# own, on other machines.
#
# usage: tests/bench/server/nginx.sh [BUILD_DIR]   (default build/server-bench)
# environment: DURATION seconds per wrk run (default 10), ROUNDS (default 2)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
BUILD=${1:-$ROOT/build/server-bench}
DURATION=${DURATION:-10}
ROUNDS=${ROUNDS:-2}
BIN=$BUILD/server/yanqing-server
. "$ROOT/tests/support/server_port.sh"

for tool in wrk nginx curl; do
    command -v $tool > /dev/null || { echo "nginx.sh: $tool is not installed (scripts/setup.sh)" >&2; exit 1; }
done
if [ ! -x "$BIN" ]; then
    cmake --preset bench -B "$BUILD" > /dev/null
    cmake --build "$BUILD" -j2 --target yanqing-server
fi

TMP=$(mktemp -d)
PIDS=()
cleanup() {
    for p in "${PIDS[@]}"; do kill -TERM "$p" 2> /dev/null && wait "$p" 2> /dev/null || true; done
    rm -rf "$TMP"
}
trap cleanup EXIT

SONG=/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf
[ -f "$SONG" ] || { echo "nginx.sh: $SONG is not installed (fonts-arphic-gbsn00lp)" >&2; exit 1; }
mkdir -p "$TMP/src/中文字体/宋体"
cp "$SONG" "$TMP/src/中文字体/宋体/"
"$BIN" build "$TMP/src" "$TMP/out" > /dev/null

# Starts a renderer with the unit's own command line; sets PORT and PID.
start_renderer() {
    local log=$TMP/renderer-$1.log
    # shellcheck disable=SC2046
    "$BIN" $(python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import nginx_site
print(" ".join(nginx_site.renderer_command("", sys.argv[2], 0)[1:]))' \
        "$ROOT/tests/support" "$TMP/out") 2> "$log" &
    PID=$!
    PIDS+=("$PID")
    PORT=$(server_port "$log" "$PID") || { echo "nginx.sh: a renderer did not start" >&2; cat "$log" >&2; exit 1; }
}
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# Starts nginx from the site template in front of the given renderer ports,
# one worker per core as a production nginx has; sets PORT and PID.
start_nginx() {
    local prefix=$TMP/nginx-$1 listen
    shift
    listen=$(free_port)
    local renderers=()
    for p in "$@"; do renderers+=("127.0.0.1:$p"); done
    local command
    command=$(python3 "$ROOT/tests/support/nginx_site.py" "$prefix" "$TMP/out" "127.0.0.1:$listen" \
        "${renderers[@]}" --workers "$(nproc)")
    eval "local argv=($command)"
    "${argv[@]}" > "$prefix.out" 2>&1 &
    PID=$!
    PIDS+=("$PID")
    for _ in $(seq 100); do
        curl -s -o /dev/null "http://127.0.0.1:$listen/ztpz.txt" && break
        sleep 0.1
    done
    curl -s -o /dev/null "http://127.0.0.1:$listen/ztpz.txt" ||
        { echo "nginx.sh: nginx did not start" >&2; cat "$prefix.out" >&2; exit 1; }
    PORT=$listen
}

start_renderer alone; ALONE=$PORT ALONE_PID=$PID
start_renderer one; ONE=$PORT ONE_PID=$PID
start_nginx one "$ONE"; NGINX_ONE=$PORT NGINX_ONE_PID=$PID
start_renderer a; A=$PORT A_PID=$PID
start_renderer b; B=$PORT B_PID=$PID
start_nginx two "$A" "$B"; NGINX_TWO=$PORT NGINX_TWO_PID=$PID

# GBK bytes, percent-encoded, as the program sends them.
gbk_escape() { printf '%s' "$1" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -s ' \n' ' ' | sed 's/ $//; s/ /%/g; s/^%*/%/'; }
QUERY="/text.php?msg=$(gbk_escape "中文预览")ABC&rot=15&size=24&font=fonts/$(gbk_escape "文鼎ＰＬ简报宋").ttf"
for port in "$ALONE" "$NGINX_ONE" "$NGINX_TWO"; do
    [ "$(curl -s -o /dev/null -w '%{http_code} %{content_type}' "http://127.0.0.1:$port$QUERY")" = "200 image/png" ] ||
        { echo "nginx.sh: /text.php on port $port does not answer with a PNG" >&2; exit 1; }
done

# CPU ticks (user + system) of processes and their children's threads so far.
ticks() {
    local total=0 p
    for p in "$@"; do
        for p in $p $(pgrep -P "$p" || true); do
            total=$((total + $(awk '{ print $14 + $15 }' "/proc/$p/stat")))
        done
    done
    echo $total
}
HZ=$(getconf CLK_TCK)

# One wrk run on the CPUs $1 against $2 while watching the server processes
# $3...: prints
# "requests/s p50 p99 non-2xx server-cpu-ms/answer wrk-cpu-ms/answer".
measure() {
    local cpus=$1 url=$2
    shift 2
    local before after rps p50 p99 errors requests wrk_cpu
    before=$(ticks "$@")
    TIMEFORMAT='%U %S'
    { time taskset -c "$cpus" wrk -t2 -c16 -d"${DURATION}s" --latency "$url" > "$TMP/wrk" 2>&1; } 2> "$TMP/time"
    after=$(ticks "$@")
    rps=$(sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p' "$TMP/wrk")
    p50=$(sed -n 's/^ *50% *\([0-9.]*[a-z]*\).*/\1/p' "$TMP/wrk")
    p99=$(sed -n 's/^ *99% *\([0-9.]*[a-z]*\).*/\1/p' "$TMP/wrk")
    errors=$(sed -n 's/^ *Non-2xx or 3xx responses: *\([0-9]*\).*/\1/p' "$TMP/wrk")
    requests=$(sed -n 's/^ *\([0-9]*\) requests in.*/\1/p' "$TMP/wrk")
    wrk_cpu=$(awk '{ print $1 + $2 }' "$TMP/time")
    echo "$rps $p50 $p99 ${errors:-0}" \
        "$(awk -v t=$((after - before)) -v hz="$HZ" -v n="$requests" 'BEGIN { printf "%.3f", t * 1000 / hz / n }')" \
        "$(awk -v c="$wrk_cpu" -v n="$requests" 'BEGIN { printf "%.3f", c * 1000 / n }')"
}

# Moves every thread of the server processes to the CPUs $1 (taskset list).
pin() {
    local cpus=$1 p
    for p in "${SERVERS[@]}"; do
        for p in $p $(pgrep -P "$p" || true); do taskset -a -p -c "$cpus" "$p" > /dev/null; done
    done
}
SERVERS=("$ALONE_PID" "$ONE_PID" "$NGINX_ONE_PID" "$A_PID" "$B_PID" "$NGINX_TWO_PID")
ALL=0-$(($(nproc) - 1))

# The three setups in turn, ROUNDS times, with everything (wrk too) on the
# CPUs $1; prints a table and sets RPS_<setup>.
declare -A RPS
run_pass() {
    local cpus=$1 cores=$2
    declare -A sum_rps sum_rnd sum_ngx sum_wrk last
    pin "$cpus"
    for round in $(seq "$ROUNDS"); do
        for setup in alone one two; do
            case $setup in
                alone) url=http://127.0.0.1:$ALONE$QUERY; procs=("$ALONE_PID"); renderers=("$ALONE_PID") ;;
                one) url=http://127.0.0.1:$NGINX_ONE$QUERY; procs=("$ONE_PID" "$NGINX_ONE_PID"); renderers=("$ONE_PID") ;;
                two) url=http://127.0.0.1:$NGINX_TWO$QUERY; procs=("$A_PID" "$B_PID" "$NGINX_TWO_PID"); renderers=("$A_PID" "$B_PID") ;;
            esac
            before_r=$(ticks "${renderers[@]}")
            read -r rps p50 p99 errors srv wrk_ms <<< "$(measure "$cpus" "$url" "${procs[@]}")"
            after_r=$(ticks "${renderers[@]}")
            requests=$(sed -n 's/^ *\([0-9]*\) requests in.*/\1/p' "$TMP/wrk")
            rnd=$(awk -v t=$((after_r - before_r)) -v hz="$HZ" -v n="$requests" 'BEGIN { printf "%.3f", t * 1000 / hz / n }')
            last[$setup]="$p50 $p99 $errors"
            sum_rps[$setup]=$(awk -v a="${sum_rps[$setup]:-0}" -v b="$rps" 'BEGIN { print a + b }')
            sum_rnd[$setup]=$(awk -v a="${sum_rnd[$setup]:-0}" -v b="$rnd" 'BEGIN { print a + b }')
            sum_ngx[$setup]=$(awk -v a="${sum_ngx[$setup]:-0}" -v b="$srv" -v r="$rnd" 'BEGIN { print a + b - r }')
            sum_wrk[$setup]=$(awk -v a="${sum_wrk[$setup]:-0}" -v b="$wrk_ms" 'BEGIN { print a + b }')
            echo "$cores core(s), round $round, $setup: $rps requests/s, p50 $p50, p99 $p99, non-2xx $errors" >&2
        done
    done
    echo "/text.php on $cores of $(nproc) cores (servers and wrk), wrk 16 connections, ${DURATION}s per run, $ROUNDS rounds taking turns"
    printf '%-24s %11s %9s %9s %7s %9s %9s %9s %6s\n' setup requests/s p50 p99 non-2xx \
        renderer nginx wrk busy
    for setup in alone one two; do
        case $setup in
            alone) name="one renderer, no nginx" ;;
            one) name="nginx + one renderer" ;;
            two) name="nginx + two renderers" ;;
        esac
        set -- ${last[$setup]}
        RPS[$cores,$setup]=$(mean "${sum_rps[$setup]}")
        awk -v name="$name" -v rps="${RPS[$cores,$setup]}" -v p50="$1" -v p99="$2" -v err="$3" \
            -v r="${sum_rnd[$setup]}" -v n="${sum_ngx[$setup]}" -v w="${sum_wrk[$setup]}" -v k="$ROUNDS" 'BEGIN {
            r /= k; n /= k; w /= k
            printf "%-24s %11.1f %9s %9s %7s %9.3f %9.3f %9.3f %6.2f\n", name, rps, p50, p99, err, r, n, w, rps * (r + n + w) / 1000
        }'
    done
    echo "(requests/s: mean of the rounds; p50, p99, non-2xx: last round; renderer, nginx, wrk: CPU ms per answer, mean; busy: cores kept busy by the three)"
    echo "nginx + two renderers / one renderer without nginx: $(ratio "${RPS[$cores,two]}" "${RPS[$cores,alone]}")"
    echo "nginx + one renderer / one renderer without nginx: $(ratio "${RPS[$cores,one]}" "${RPS[$cores,alone]}")"
    awk -v k="$ROUNDS" -v rps="${RPS[$cores,alone]}" \
        -v r1="${sum_rnd[alone]}" -v w1="${sum_wrk[alone]}" \
        -v r2="${sum_rnd[two]}" -v n2="${sum_ngx[two]}" -v w2="${sum_wrk[two]}" 'BEGIN {
        r1 /= k; w1 /= k; r2 /= k; n2 /= k; w2 /= k
        printf "one renderer alone kept %.2f cores busy drawing\n", rps * r1 / 1000
        printf "CPU per answer (renderers, nginx, wrk): alone %.3f ms, nginx + two renderers %.3f ms; where the cores are the limit the ratio is %.3f\n", r1 + w1, r2 + n2 + w2, (r1 + w1) / (r2 + n2 + w2)
        printf "one core of nginx passes on %.0f answers/s, what %.1f cores of renderers draw\n", 1000 / n2, r2 / n2
    }'
    echo
}
mean() { awk -v s="$1" -v n="$ROUNDS" 'BEGIN { printf "%.1f", s / n }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

CORES=$(nproc)
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine takes its share of the cores)"
run_pass "$ALL" "$CORES"
# Everything on one core as well: there the cores are the limit for certain,
# which shows whether the CPU times above account for the rates.
if [ "$CORES" -gt 1 ]; then
    run_pass 0 1
    pin "$ALL"
fi
