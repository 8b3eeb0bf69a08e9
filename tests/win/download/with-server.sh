#!/bin/bash
# Runs a Wine test program against yanqing-server on loopback.
# usage: with-server.sh SERVER WINE_RUN EXE [--fault MODE]... [-- PROGRAM ARGS...]
# Publishes a small folder (ztwjj/b25k.tmp: 25,000 raw bytes; b3m.tmp: 3,000,000; ztwjj/font.tmp:
# font.src packed; ztpz.txt), starts the server on a free port with the given
# fault modes, runs EXE through WINE_RUN with YQ_TEST_BASE_URL and
# YQ_TEST_DATA_DIR set, stops the server and exits with the program's status.
set -u
. "$(dirname "$0")/../../support/server_port.sh"
server=${1:?server} runner=${2:?wine runner} exe=${3:?test program}
shift 3
serve_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    serve_args+=("$1")
    shift
done
[ $# -gt 0 ] && shift
[ -x "$server" ] || { echo "with-server: no yanqing-server at $server (build the native preset)" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/yq-dl-server.XXXXXX")
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/www/ztwjj"
head -c 25000 /dev/urandom > "$tmp/www/ztwjj/b25k.tmp"
head -c 3000000 /dev/urandom > "$tmp/www/ztwjj/b3m.tmp"
{ head -c 30000 /dev/urandom; head -c 30000 /dev/zero; } > "$tmp/font.src"
"$server" pack "$tmp/font.src" "$tmp/www/ztwjj/font.tmp" > /dev/null || exit 1
printf '1.6' > "$tmp/www/ztpz.txt"

"$server" serve "$tmp/www" --port 0 "${serve_args[@]}" 2> "$tmp/log" &
pid=$!
port=$(server_port "$tmp/log" "$pid") ||
    { echo "with-server: the server did not start" >&2; cat "$tmp/log" >&2; exit 1; }

export YQ_TEST_BASE_URL="http://127.0.0.1:$port"
export YQ_TEST_DATA_DIR="Z:$(printf '%s' "$tmp" | tr / '\\')"
"$runner" "$exe" "$@"
rc=$?
if [ $rc -ne 0 ]; then
    echo "with-server: server log:" >&2
    tail -n 40 "$tmp/log" >&2
fi
exit $rc
