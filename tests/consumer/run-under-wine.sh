#!/usr/bin/env bash
# Runs a driver program under 64-bit Wine (on the display with-xvfb.sh gave)
# while consumer_press.exe plays its user, pressing BUTTON with real input:
#   run-under-wine.sh CONSUMER_PRESS BUTTON OUTPUT DRIVER [ARGS...]
# The driver's output goes to OUTPUT (a file: Wine's output is not piped);
# the exit status is the driver's, or 1 when the user could not press.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
press=$1 button=$2 output=$3
shift 3

timeout 120 "$wine_run" win64 "$@" >"$output" 2>&1 &
driver=$!
timeout 60 "$wine_run" win64 "$press" "$button" >"$output.press" 2>&1
pressed=$?
wait "$driver"
status=$?
cat "$output.press"
((pressed == 0)) || exit 1
exit $status
