#!/bin/bash
# Runs a command with an X display of its own: the system web browser
# control under Wine makes its windows, and so fires its navigation events,
# only when there is a display.
# usage: with-display.sh COMMAND ARGS...
set -u
tmp=$(mktemp -d "${TMPDIR:-/tmp}/yq-display.XXXXXX")
xvfb=
cleanup() {
    if [ -n "$xvfb" ]; then
        kill -TERM "$xvfb" 2> /dev/null
        wait "$xvfb" 2> /dev/null
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts
# connections, so parallel tests never race for one.
mkfifo "$tmp/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$tmp/display" > "$tmp/xvfb.log" 2>&1 &
xvfb=$!
number=
read -r -t 30 number < "$tmp/display"
if [ -z "$number" ]; then
    echo "with-display: Xvfb did not start:" >&2
    cat "$tmp/xvfb.log" >&2
    exit 1
fi
DISPLAY=":$number" "$@"
