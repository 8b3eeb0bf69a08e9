#!/bin/bash
# CTest's emulator for the Windows build: runs one test program under wine64
# in a fresh copy of the template prefix, then stops that prefix's wineserver
# and removes the copy. Wine's daemons are started detached from CTest's
# pipes first, or CTest would wait for them after every test.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../scripts/wine/env.sh"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/yq-wine.XXXXXX")
trap '"$WINESERVER" -k >/dev/null 2>&1; rm -rf "$prefix"' EXIT
"$here/../scripts/wine/fresh-prefix.sh" "$prefix" || exit 1
export WINEPREFIX=$prefix
"$WINESERVER" -p10 </dev/null >/dev/null 2>&1
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1
"$WINE" "$@"
