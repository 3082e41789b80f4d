#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own whose display has
# DPI dots per inch:
#   wine-dpi-run.sh DPI win32|win64 PROGRAM [ARGS...]
# The prefix (build/wineprefix-ARCH-dpiDPI unless PAPERCHK_WINEPREFIX names
# one) is made on first use by wine-run.sh and given its DPI once, under a
# lock; later runs reuse it.
set -euo pipefail

dpi=$1
arch=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export PAPERCHK_WINEPREFIX=${PAPERCHK_WINEPREFIX:-$(cd "$here/.." && pwd)/build/wineprefix-$arch-dpi$dpi}

ready=$PAPERCHK_WINEPREFIX/.paperchk-dpi-$dpi
mkdir -p "$(dirname "$PAPERCHK_WINEPREFIX")"
if [[ ! -f $ready ]]; then
  (
    flock 9
    if [[ ! -f $ready ]]; then
      # Wine 8 reads the user's desktop setting and, where that is missing,
      # the current configuration's font setting: both are set so that
      # neither can disagree.
      DISPLAY= "$here/wine-run.sh" "$arch" reg add 'HKCU\Control Panel\Desktop' \
        /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
      DISPLAY= "$here/wine-run.sh" "$arch" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
      WINEPREFIX=$PAPERCHK_WINEPREFIX wineserver -w
      touch "$ready"
    fi
  ) 9>"$PAPERCHK_WINEPREFIX.dpi.lock"
fi

exec "$here/wine-run.sh" "$arch" "$@"
