#!/bin/bash
# Builds both releases and the zips users download:
#   dist/yanqing-<version>-win64.zip  and  dist/yanqing-<version>-win32.zip,
# each with a .sha256 beside it (check with: cd dist && sha256sum -c *.sha256).
# The exe in each zip is checked as users get it: no debug sections, no test
# code, only Windows DLLs, one version in title, manifest and version resource.
#
# usage: scripts/package.sh [--reproduce PRESET]...
#   --reproduce PRESET  builds that release preset (win64-release, win32) a
#                       second time, from scratch in a temporary folder, and
#                       fails unless its exe and zip are the same bytes
# Exits non-zero when anything fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
cd "$root"
jobs=${YQ_JOBS:-2}
presets=(win64-release win32)
reproduce=()
while [ $# -gt 0 ]; do
  case "$1" in
    --reproduce)
      [ $# -ge 2 ] && [[ " ${presets[*]} " == *" $2 "* ]] ||
        { echo "package: --reproduce takes one of: ${presets[*]}" >&2; exit 2; }
      reproduce+=("$2")
      shift 2
      ;;
    *) echo "usage: $0 [--reproduce PRESET]..." >&2; exit 2 ;;
  esac
done

cache_value() {  # cache_value BUILD_DIR NAME
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

zip_of() {  # zip_of BUILD_DIR: the zip its target dist makes
  cache_value "$1" YQ_DIST_ZIP
}

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
zips=()
for preset in "${presets[@]}"; do
  echo "== package: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target dist
  tree=build/$preset
  zip=$(zip_of "$tree")
  zips+=("$zip")
  (cd "$(dirname "$zip")" && sha256sum -c "$(basename "$zip").sha256")
  # The exe as it comes out of the zip, checked with the tree's own tools.
  mkdir -p "$unpacked/$preset"
  unzip -q -o "$zip" yanqing.exe -d "$unpacked/$preset"
  exe=$unpacked/$preset/yanqing.exe
  "$root/cmake/check-release-exe.sh" "$exe" "$(cache_value "$tree" CMAKE_OBJDUMP)"
  python3 "$root/cmake/check-release-version.py" "$exe" "$(cache_value "$tree" CMAKE_PROJECT_VERSION)"
done

for preset in ${reproduce[@]+"${reproduce[@]}"}; do
  # Another folder, outside the source tree, and nothing reused: the same
  # commit must give the same bytes wherever and whenever it is built.
  again=$(mktemp -d "${TMPDIR:-/tmp}/yanqing-again-XXXXXX")
  echo "== package: $preset again, from scratch in $again"
  start=$SECONDS
  cmake --preset "$preset" -B "$again/build" -DYQ_DIST_DIR="$again/dist" >/dev/null
  cmake --build "$again/build" -j "$jobs" --target dist >/dev/null
  first=build/$preset
  same=1
  cmp "$first/yanqing.exe" "$again/build/yanqing.exe" || same=0
  cmp "$(zip_of "$first")" "$(zip_of "$again/build")" || same=0
  rm -rf "$again"
  if [ $same = 0 ]; then
    echo "package: $preset built twice gives different bytes" >&2
    exit 1
  fi
  echo "package: $preset built twice ($((SECONDS - start)) s for the second): the same exe" \
    "(sha256 $(sha256sum "$first/yanqing.exe" | cut -c1-16)…) and zip"
done

echo "== package: done"
for zip in "${zips[@]}"; do
  echo "   ${zip#"$root"/}  $(wc -c <"$zip") bytes  sha256 $(cut -d' ' -f1 "$zip.sha256")"
done
