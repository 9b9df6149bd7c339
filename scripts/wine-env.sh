# Sourced by the scripts that run Windows programs: the project's own Wine prefix,
# quiet, with no prompts to download Mono or Gecko.
TOLVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TOLVANE_WINEPREFIX:-$TOLVANE_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Code page 932 inside Wine: set for Wine commands only, since the host may lack the locale.
TOLVANE_WINE_LOCALE=ja_JP.UTF-8
