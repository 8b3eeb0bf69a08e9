# The environment every Wine run of the project uses (sourced by the scripts).
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINE WINESERVER
# Template prefix shared by every checkout on this machine.
YQ_WINE_TEMPLATE=${YQ_WINE_TEMPLATE:-${XDG_CACHE_HOME:-$HOME/.cache}/yanqing/wine-template}
export YQ_WINE_TEMPLATE
