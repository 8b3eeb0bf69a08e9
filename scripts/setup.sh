#!/bin/bash
# Installs everything the project needs on a fresh Debian 12 machine (as root,
# or with sudo) and makes the template Wine prefix. Quick when all is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
SUDO=; [ "$(id -u)" = 0 ] || SUDO=sudo

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config git python3 ccache
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 libz-mingw-w64-dev
  googletest zlib1g-dev libcpp-httplib-dev libfreetype-dev libpng-dev
  # Wine, a display and the e2e driver
  wine wine64 xvfb xdotool xclip imagemagick x11-utils locales python3-fonttools
  # fonts of the test set-up (and the 宋体 stand-in)
  fonts-arphic-gbsn00lp fonts-noto-cjk fonts-wqy-microhei fonts-wqy-zenhei fonts-arphic-ukai
  fonts-arphic-uming fonts-dejavu fonts-liberation2 fonts-noto-core fontconfig
  # oracles and benchmarks
  mdbtools curl wrk iproute2 util-linux
  # a standard web server in front of the renderers (tests/e2e/test_nginx.py, the server benchmark)
  nginx
  # the skin's pictures (scripts/gen_skin_art.py; their PNGs are checked in)
  python3-pil python3-numpy
)
# Node.js runs the npm oracle; take Debian's only when the machine has none.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Chinese locale: Wine takes its ANSI code page (936) from it.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi

. "$here/wine/env.sh"
"$here/wine/make-prefix.sh" "$YQ_WINE_TEMPLATE"

# The independent Access readers the tests compare against.
if [ -x "$here/setup-oracles.sh" ]; then
  "$here/setup-oracles.sh" "$root/build" >/dev/null
fi
