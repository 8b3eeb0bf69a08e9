# The environment every Wine run of the project uses (sourced by the scripts).
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINE WINESERVER
# Template prefix shared by every checkout on this machine, one for each
# version of the scripts that make it: checkouts of different versions never
# remake a template another one is copying.
if [ -z "${YQ_WINE_TEMPLATE:-}" ]; then
  _yq_wine=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  _yq_stamp=$(cat "$_yq_wine/make-prefix.sh" "$_yq_wine/make-simsun.py" | sha1sum | cut -c1-12)
  YQ_WINE_TEMPLATE=${XDG_CACHE_HOME:-$HOME/.cache}/yanqing/wine-template-$_yq_stamp
  unset _yq_wine _yq_stamp
fi
export YQ_WINE_TEMPLATE
