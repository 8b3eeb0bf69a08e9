#!/bin/bash
# Sets everything up, builds, serves the demo catalogue on loopback and opens
# the program under Wine. With no display, runs it on Xvfb, saves a screenshot
# of its window to build/run/screenshot.png and stops.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
cd "$root"
"$here/setup.sh"
. "$here/wine/env.sh"

cmake --preset release >/dev/null && cmake --build --preset release --target yanqing-server
cmake --preset win64 >/dev/null && cmake --build --preset win64 --target yanqing

server=build/release/server/yanqing-server
catalogue=build/demo-catalogue
server/demo/make-demo.sh "$catalogue" "$server"
port=$(sed -n 's/^YQ_SERVER_PORT:STRING=//p' build/win64/CMakeCache.txt)

run=build/run
prefix=$run/prefix
mkdir -p "$run/program"
[ -f "$prefix/.yq-stamp" ] || "$here/wine/fresh-prefix.sh" "$prefix"
cp build/win64/yanqing.exe "$run/program/yanqing.exe"
cp "$catalogue/ztdata.mdb" "$run/program/ztdata.mdb"
# The database beside the program is the served one, so a first run records
# its version as installed, as an installed copy of the program would have it.
[ -f "$run/program/pos.ini" ] ||
  printf '[potpz]\r\nbbh=%s\r\n' "$(head -c 3 "$catalogue/ztpz.txt")" >"$run/program/pos.ini"
export WINEPREFIX=$root/$prefix

pids=()
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

"$server" serve "$catalogue" --port "$port" 2>"$run/server.log" &
pids+=($!)
for _ in $(seq 50); do curl -fs "http://127.0.0.1:$port/ztpz.txt" >/dev/null && break; sleep 0.1; done
echo "run: catalogue server on http://127.0.0.1:$port (log: $run/server.log)"

version=$(sed -n 's/^project(yanqing VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [ -z "${DISPLAY:-}" ]; then
  display=:$((RANDOM % 800 + 100))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  (cd "$run/program" && "$WINE" yanqing.exe >"$root/$run/program.log" 2>&1) &
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "^砚青${version}\$" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "run: the program window did not appear (see $run/program.log)" >&2; exit 1; }
  sleep 3  # let the start-up work list the fonts and open the catalogue
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$run/screenshot.png"
  echo "run: no display here; ran on Xvfb $display and saved $run/screenshot.png"
else
  cd "$run/program" && "$WINE" yanqing.exe
fi
