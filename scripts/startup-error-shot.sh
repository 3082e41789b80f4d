#!/usr/bin/env bash
# Takes a screenshot of the start-up error (paperchk started without its
# parameters) under Wine on a display of its own:
#   startup-error-shot.sh [OUTPUT.png]     (default build/demo/startup-error.png)
# The Windows build is the one that runs here (see scripts/common.sh); it must
# have been built.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

output=${1:-build/demo/startup-error.png}
if [[ ${2:-} != --on-own-display ]]; then
  exec scripts/with-xvfb.sh "$0" "$output" --on-own-display
fi

preset=$(runnable_windows_preset)
mkdir -p "$(dirname "$output")"
scripts/wine-run.sh "$preset" "build/$preset/paperchk.exe" > build/demo/startup-error.log 2>&1 &
program=$!
if ! window=$(await_window "$(printf '\xe5\x88\x9d\xe6\x9c\x9f\xe5\x8c\x96\xe3\x82\xa8\xe3\x83\xa9\xe3\x83\xbc')" 300); then
  echo "startup-error-shot: the message box did not appear" >&2
  kill "$program" 2>/dev/null
  exit 1
fi
sleep 1
import -window "$window" "$output"
echo "startup-error-shot: saved $output"
xdotool key Return 2>/dev/null || true  # the box has the focus
for _ in $(seq 100); do
  kill -0 "$program" 2>/dev/null || exit 0
  sleep 0.1
done
echo "startup-error-shot: the message box did not close" >&2
kill "$program" 2>/dev/null
exit 1
