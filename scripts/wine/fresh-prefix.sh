#!/bin/bash
# Copies the template prefix to a new folder for one run: the DLL folders
# (read-only in use, 650 MB) as hard links, everything else as real copies,
# so a test can change the registry, the Fonts folder or the user folders
# without touching the template. usage: fresh-prefix.sh DEST
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
dst=${1:?destination}
src=$YQ_WINE_TEMPLATE
[ -f "$src/.yq-stamp" ] || { echo "fresh-prefix: no template prefix at $src; run scripts/setup.sh" >&2; exit 1; }
mkdir -p "$dst"
tar -C "$src" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/winsxs -cf - . \
  | tar -C "$dst" -xf -
cp -al "$src/drive_c/windows/system32" "$src/drive_c/windows/winsxs" "$dst/drive_c/windows/"
