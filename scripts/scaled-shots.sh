#!/usr/bin/env bash
# Screenshots of the paper-check dialog at 100 %, 150 % and 200 % (96, 144
# and 192 DPI) under Wine, the stand-in driver showing its sample report, each DPI in a
# prefix of its own (scripts/wine-dpi-run.sh) on a screen large enough to
# hold the dialog:
#   scaled-shots.sh [FOLDER]     (default build/demo; the README shows docs/)
# writes FOLDER/paperchk.png, FOLDER/paperchk-150.png and FOLDER/paperchk-200.png. The Windows
# build that runs here (scripts/common.sh) must have been built: paperchk and
# standin.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

out=${1:-build/demo}
preset=$(runnable_windows_preset)
mkdir -p "$out" build/demo

if [[ ${2:-} != --on-own-display ]]; then
  for dpi in 96 144 192; do
    PAPERCHK_XVFB_SCREEN=2048x1536x24 PAPERCHK_WINEPREFIX=$PWD/build/wineprefix-$preset-dpi$dpi \
      scripts/with-xvfb.sh "$0" "$out" --on-own-display "$dpi"
  done
  exit 0
fi

dpi=$3
percent=$((dpi * 100 / 96))
bin=$PWD/build/$preset
scripts/wine-dpi-run.sh "$dpi" "$preset" "$bin/standin.exe" --paperchk "$bin/paperchk.exe" \
  --exchange "$PWD/build/demo/exchange-$dpi.bin" --create --complete-after 500 > "build/demo/standin-$dpi.log" 2>&1 &
driver=$!
if ! window=$(await_window '^Verifica carta'); then
  echo "scaled-shots: the dialog did not appear at $dpi DPI" >&2
  kill "$driver" 2>/dev/null
  exit 1
fi
sleep 1
picture=$out/paperchk-$percent.png
((dpi == 96)) && picture=$out/paperchk.png
import -window "$window" "$picture"
echo "scaled-shots: saved $picture ($dpi DPI)"
xdotool key Tab Tab space  # "Riprova", as the demo does
wait "$driver"
