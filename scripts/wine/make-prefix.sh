#!/bin/bash
# Makes the template Wine prefix every Wine test and the run command copy:
# quiet (no Mono/Gecko, no crash dialog, unmanaged windows), Chinese locale
# (ANSI code page 936), a real 宋体/SimSun font in its Fonts folder, and no
# link from drive C to the host's own folders.
# usage: make-prefix.sh TEMPLATE_DIR   (does nothing when it is up to date)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
template=${1:?template folder}
stamp=$(cat "$0" "$here/make-simsun.py" "$here/env.sh" | sha1sum | cut -c1-12)
if [ -f "$template/.yq-stamp" ] && [ "$(cat "$template/.yq-stamp")" = "$stamp" ]; then
  exit 0
fi
. "$here/env.sh"
export WINEPREFIX="$template.new"
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$template")"
echo "make-prefix: creating the template Wine prefix (about 20 s)" >&2
"$WINE" wineboot -u >/dev/null 2>&1 || true
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# No desktop integration, no file associations.
"$WINE" reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f >/dev/null 2>&1
/usr/bin/python3 "$here/make-simsun.py" /usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf \
  "$WINEPREFIX/drive_c/windows/Fonts/simsun.ttf"
"$WINESERVER" -w
# The user's shell folders (Desktop, Documents, ...) link to the host's home
# folder: they become plain folders of the prefix, so nothing a program
# writes there, or a hostile test makes it try to write, reaches the host.
find "$WINEPREFIX/drive_c" -type l -lname '/*' | while read -r link; do
  rm "$link"
  mkdir -p "$link"
done
rm -rf "$template"
mv "$WINEPREFIX" "$template"
echo "$stamp" > "$template/.yq-stamp"
