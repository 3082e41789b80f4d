#!/usr/bin/env bash
# The main job: installs what is missing, builds, and lets the stand-in driver
# show the paper-check dialog for a sample three-item report under Wine; it
# prints the decision the user made and, after "Riprova", completes the wait.
# With a display the dialog waits for you there. Without one it runs under a
# fresh Xvfb: a screenshot is saved to build/demo/paperchk.png, then
# "Riprova" is pressed from the keyboard (Tab, Tab, Space) as a user would.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

if [[ ${1:-} != --on-own-display ]]; then
  bash scripts/setup.sh
fi
# Decided once set-up has installed Wine: before, no Wine at all can run.
preset=$(runnable_windows_preset)
if [[ ${1:-} != --on-own-display ]]; then
  # The product: always built.
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 >/dev/null
  if [[ $preset == win64 ]]; then
    echo "demo: $(win64_reason); showing the 64-bit build of the same sources (win64)."
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target paperchk standin >/dev/null
  fi
fi
bin=$PWD/build/$preset
mkdir -p build/demo
exchange=$PWD/build/demo/exchange.bin
standin=(scripts/wine-run.sh "$preset" "$bin/standin.exe" --paperchk "$bin/paperchk.exe" --exchange "$exchange"
         --create --complete-after 2000)

if [[ ${1:-} != --on-own-display && -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  echo "demo: the dialog opens on $DISPLAY; make your choice there."
  "${standin[@]}" > build/demo/standin.log 2>&1 || true
  cat build/demo/standin.log
  exit 0
fi

# Headless: a display of our own, a screenshot, then the keys.
if [[ ${1:-} != --on-own-display ]]; then
  exec scripts/with-xvfb.sh "$0" --on-own-display
fi
"${standin[@]}" > build/demo/standin.log 2>&1 &
driver=$!
if ! window=$(await_window '^Verifica carta'); then
  echo "demo: the dialog did not appear" >&2
  kill "$driver" 2>/dev/null
  exit 1
fi
sleep 1
import -window root build/demo/paperchk.png
echo "demo: screenshot saved to build/demo/paperchk.png"
xdotool key Tab Tab space  # the focus starts on "Ignora"; Tab order: Annulla, Riprova
status=0
wait "$driver" || status=$?
cat build/demo/standin.log
exit $status
