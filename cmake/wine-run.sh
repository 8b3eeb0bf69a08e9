#!/bin/bash
# CTest's emulator for the Windows build: runs one test program under wine64
# in a fresh copy of the template prefix, then stops that prefix's wineserver
# and removes the copy. Wine's daemons are started detached from CTest's
# pipes first, or CTest would wait for them after every test.
#
# Wine finds a prefix's wineserver by the inode of the prefix folder, and a
# removed folder's inode is soon given to a new one: the server is waited for
# before its folder goes, and any server still answering for a new folder's
# inode is stopped before the test starts.
# The host's fonts are read-only for the test: under Wine, Z: is the whole
# host, and the prefix registers the host's fonts by their Z: paths, so a
# test that removes fonts could otherwise reach the machine's own files.
if [ "$(id -u)" = 0 ] && [ -z "${YQ_HOST_READONLY:-}" ] && command -v unshare > /dev/null; then
  YQ_HOST_READONLY=1 exec unshare --mount sh -c \
    'mount --make-rprivate / && mount --bind /usr /usr && mount -o remount,ro,bind /usr /usr &&
     exec "$0" "$@"' "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../scripts/wine/env.sh"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/yq-wine.XXXXXX")
trap '"$WINESERVER" -k >/dev/null 2>&1; "$WINESERVER" -w >/dev/null 2>&1; rm -rf "$prefix"' EXIT
"$here/../scripts/wine/fresh-prefix.sh" "$prefix" || exit 1
export WINEPREFIX=$prefix
"$WINESERVER" -k >/dev/null 2>&1 && "$WINESERVER" -w >/dev/null 2>&1
"$WINESERVER" -p10 </dev/null >/dev/null 2>&1
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1
"$WINE" "$@"
