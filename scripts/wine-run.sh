#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix:
#   wine-run.sh win32|win64 PROGRAM [ARGS...]
# Used by ctest as the cross-compiling emulator and by the other scripts.
# The prefix is made on first use (about 15 s), under a lock so parallel
# callers wait for it instead of racing; a prefix made by an older version of
# this script is brought up to date the same way.
set -euo pipefail

arch=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${PAPERCHK_WINEPREFIX:-$(cd "$here/.." && pwd)/build/wineprefix-$arch}
export WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

case $arch in
  win32) wine=/usr/lib/wine/wine ;;
  win64) wine=/usr/lib/wine/wine64 ;;
  *) echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac

# Names the settings below; a prefix without this marker gets them.
ready=$WINEPREFIX/.paperchk-ready-3

mkdir -p "$(dirname "$WINEPREFIX")"
if [[ ! -f $ready ]]; then
  (
    flock 9
    if [[ ! -f $ready ]]; then
      DISPLAY= "$wine" wineboot -i >/dev/null 2>&1 || true
      # Without a window manager Wine waits about 2 s each time a window is
      # hidden unless its windows are unmanaged.
      DISPLAY= "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      # Japanese for the start-up error. The message-box and caption font,
      # Tahoma, is not installed: it is pinned to DejaVu Sans, which Wine
      # falls back to anyway, and glyphs that face lacks are taken from the
      # Japanese font of scripts/setup.sh, linked to it (Wine finds a linked
      # font by its file name in the prefix's Fonts folder). Latin text keeps
      # its look.
      ln -sf /usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
      # The caption buttons are glyphs of Wine's Marlett font; without it the
      # close box shows an "r". Wine does not find Debian's copy of its own
      # fonts (fonts-wine), even in a new prefix: linked in like the above.
      ln -sf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
      DISPLAY= "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /t REG_SZ /d 'DejaVu Sans' /f >/dev/null 2>&1
      for face in 'DejaVu Sans' 'DejaVu Sans Bold'; do
        DISPLAY= "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
          /t REG_MULTI_SZ /d 'VL-PGothic-Regular.ttf,VL PGothic' /f >/dev/null 2>&1
      done
      WINEPREFIX=$WINEPREFIX wineserver -w
      touch "$ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec "$wine" "$@"
