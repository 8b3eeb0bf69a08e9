#!/bin/sh
# yanqing-server on the command line: pack and unpack file to file, error
# messages that name the file, and serve stopping cleanly on SIGINT and SIGTERM.
# usage: cli_test.sh path/to/yanqing-server
set -u
BIN=${1:?yanqing-server binary}
. "$(dirname "$0")/../../support/server_port.sh"
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# pack / unpack round trip, and refusals.
head -c 100000 /dev/urandom > "$DIR/plain"
"$BIN" pack "$DIR/plain" "$DIR/packed" || fail "pack"
[ "$(head -c 4 "$DIR/packed" | od -An -tx1 | tr -d ' \n')" = 0d0f3e03 ] || fail "pack magic"
"$BIN" unpack "$DIR/packed" "$DIR/back" || fail "unpack"
cmp -s "$DIR/plain" "$DIR/back" || fail "round trip"
"$BIN" unpack "$DIR/plain" "$DIR/x" 2> "$DIR/err" && fail "unpack of a non-container succeeded"
grep -q "plain: not a zt container" "$DIR/err" || fail "unpack message: $(cat "$DIR/err")"
head -c 500 "$DIR/packed" > "$DIR/short"
"$BIN" unpack "$DIR/short" "$DIR/x" 2> "$DIR/err" && fail "unpack of a cut container succeeded"
grep -q "short: damaged container" "$DIR/err" || fail "cut message: $(cat "$DIR/err")"
"$BIN" pack "$DIR/missing" "$DIR/x" 2> "$DIR/err" && fail "pack of a missing file succeeded"
grep -q "missing: No such file" "$DIR/err" || fail "missing message: $(cat "$DIR/err")"
: > "$DIR/empty"
"$BIN" pack "$DIR/empty" "$DIR/x" 2> /dev/null && fail "pack of an empty file succeeded"
"$BIN" serve 2> /dev/null && fail "serve without a folder succeeded"
"$BIN" serve "$DIR" --fault explode 2> "$DIR/err" && fail "unknown fault accepted"
grep -q "unknown fault mode" "$DIR/err" || fail "fault message: $(cat "$DIR/err")"
"$BIN" serve --help | grep -q "corrupt=flip|magic" || fail "serve --help"

# serve: start on a free port, answer, stop on each signal.
mkdir -p "$DIR/pub"
printf 1.6 > "$DIR/pub/ztpz.txt"
for sig in INT TERM; do
    log=$DIR/log-$sig  # a fresh file: the shell may start the server after we first look
    "$BIN" serve "$DIR/pub" --port 0 2> "$log" &
    pid=$!
    port=$(server_port "$log" "$pid") || { kill "$pid"; fail "server did not start: $(cat "$log")"; }
    got=$(curl -sS "http://127.0.0.1:$port/ztpz.txt" 2>&1)
    [ "$got" = 1.6 ] || { kill "$pid"; fail "ztpz.txt on port $port: $got"; }
    kill -s "$sig" "$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2> /dev/null && { kill -9 "$pid"; fail "SIG$sig did not stop the server"; }
    wait "$pid" || fail "exit status after SIG$sig"
    grep -q '"GET /ztpz.txt HTTP/1.1" 200 3' "$log" || fail "access log: $(cat "$log")"
    grep -q '^stopped$' "$log" || fail "no clean stop after SIG$sig"
done
echo "cli tests passed"
