#!/bin/sh
# Builds a demo catalogue for the program from Debian font packages that are
# NOT installed on this machine: the packages are fetched with apt-get
# download and unpacked with dpkg-deb into a private cache folder (never into
# a system or user font folder, so neither fontconfig nor Wine lists them as
# installed), laid out as SRC/<group>/<category>/ and built with
# "yanqing-server build".
#
# usage: make-demo.sh OUTDIR [SERVER_BINARY]
#   OUTDIR         the catalogue folder to build (serve it with: yanqing-server serve OUTDIR)
#   SERVER_BINARY  yanqing-server to use; default: on PATH, else build/{bench,native,server-native}
# environment:
#   YQ_DEMO_CACHE    download and unpack cache (default ~/.cache/yanqing-demo)
#   YQ_DEMO_VERSION  catalogue version, exactly 3 characters (default 1.6)
#
# Running it again is quick: when OUTDIR was built from the same packages and
# layout it only says so.
set -eu

OUT=${1:?usage: make-demo.sh OUTDIR [SERVER_BINARY]}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
CACHE=${YQ_DEMO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/yanqing-demo}
VERSION=${YQ_DEMO_VERSION:-1.6}

PACKAGES="fonts-arphic-gkai00mp fonts-arphic-bkai00mp fonts-arphic-bsmi00lp fonts-cwtex-kai
fonts-urw-base35 fonts-open-sans fonts-roboto-unhinted fonts-cantarell fonts-comic-neue"

# Where each package's fonts go: group|category|package|file name pattern.
# Groups are 中文字体 (Chinese), 英文字体 (Latin) and 特殊字体 (special).
LAYOUT="中文字体|楷体|fonts-arphic-gkai00mp|*.ttf
中文字体|楷体|fonts-arphic-bkai00mp|*.ttf
中文字体|楷体|fonts-cwtex-kai|*.ttf
中文字体|明体|fonts-arphic-bsmi00lp|*.ttf
英文字体|无衬线|fonts-open-sans|*.ttf
英文字体|无衬线|fonts-roboto-unhinted|Roboto*.ttf
英文字体|无衬线|fonts-cantarell|*.otf
英文字体|无衬线|fonts-urw-base35|NimbusSans-*.otf
英文字体|无衬线|fonts-urw-base35|URWGothic-*.otf
英文字体|衬线|fonts-urw-base35|NimbusRoman-*.otf
英文字体|衬线|fonts-urw-base35|C059-*.otf
英文字体|衬线|fonts-urw-base35|P052-*.otf
英文字体|衬线|fonts-urw-base35|URWBookman-*.otf
英文字体|等宽|fonts-urw-base35|NimbusMonoPS-*.otf
特殊字体|符号|fonts-urw-base35|StandardSymbolsPS.otf
特殊字体|符号|fonts-urw-base35|D050000L.otf
特殊字体|手写|fonts-urw-base35|Z003-MediumItalic.otf
特殊字体|手写|fonts-comic-neue|ComicNeue*.otf"

STAMP_WANTED="demo-layout-3 version=$VERSION
$PACKAGES
$LAYOUT"
if [ -f "$OUT/ztysb.data" ] && [ -f "$OUT/.demo-stamp" ] &&
    [ "$(cat "$OUT/.demo-stamp")" = "$STAMP_WANTED" ]; then
    echo "demo catalogue in $OUT is up to date"
    exit 0
fi

BIN=${2:-}
if [ -z "$BIN" ]; then
    BIN=$(command -v yanqing-server || true)
    for b in bench native server-native; do
        [ -z "$BIN" ] && [ -x "$ROOT/build/$b/server/yanqing-server" ] && BIN=$ROOT/build/$b/server/yanqing-server
    done
fi
[ -n "$BIN" ] && [ -x "$BIN" ] || { echo "make-demo.sh: no yanqing-server binary; build one or pass its path" >&2; exit 1; }

mkdir -p "$CACHE/debs" "$CACHE/unpacked"
for pkg in $PACKAGES; do
    if dpkg-query -W -f='${Status}' "$pkg" 2> /dev/null | grep -q "ok installed"; then
        echo "make-demo.sh: warning: $pkg is installed on this machine; its fonts are used from the package anyway" >&2
    fi
    if ! ls "$CACHE/debs/${pkg}_"*.deb > /dev/null 2>&1; then
        echo "downloading $pkg"
        (cd "$CACHE/debs" && apt-get download -q "$pkg") ||
            { echo "make-demo.sh: apt-get download $pkg failed (try apt-get update)" >&2; exit 1; }
    fi
    if [ ! -d "$CACHE/unpacked/$pkg" ]; then
        dpkg-deb -x "$(ls "$CACHE/debs/${pkg}_"*.deb | head -n 1)" "$CACHE/unpacked/$pkg.part"
        mv "$CACHE/unpacked/$pkg.part" "$CACHE/unpacked/$pkg"
    fi
done

SRC="$CACHE/src"
rm -rf "$SRC"
echo "$LAYOUT" | while IFS='|' read -r group category pkg pattern; do
    mkdir -p "$SRC/$group/$category"
    found=0
    # Bold and slanted styles share their family's face name, which a
    # category lists once: leave them out rather than have the builder skip them.
    for f in $(find "$CACHE/unpacked/$pkg" -type f -name "$pattern" | sort); do
        case "$pattern" in *'*'*)
            case "$(basename "$f")" in *Bold* | *Italic* | *Oblique* | *BdIta* | *Demi*) continue ;; esac ;;
        esac
        cp "$f" "$SRC/$group/$category/"
        found=1
    done
    [ "$found" = 1 ] || echo "make-demo.sh: warning: no $pattern in $pkg" >&2
done

mkdir -p "$OUT"
rm -f "$OUT/.demo-stamp"
"$BIN" build "$SRC" "$OUT" --version "$VERSION"
printf '%s' "$STAMP_WANTED" > "$OUT/.demo-stamp"
echo "serve it with: $BIN serve $OUT"
