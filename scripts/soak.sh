#!/usr/bin/env bash
# The soak: runs the real paperchk.exe RUNS times in a row (default 100)
# under Wine, on a display of its own and in a Wine prefix of its own. Each
# run is drawn from a seed: a report, real keys and clicks, a completion
# delay, now and then an exchange file held or cut by the driver; each is
# checked (tests/soak/soak_run.h lists what).
#   bash scripts/soak.sh [RUNS] [--seed S] [--first K]
# The output ends with "N passed, M failed" and the seed; run K of seed S
# alone again with: bash scripts/soak.sh 1 --seed S --first K
# The whole log is kept in build/soak/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

runs=100
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
  runs=$1
  shift
fi

bash scripts/setup.sh
preset=$(runnable_windows_preset)
build_log=$(mktemp)
if ! { cmake --preset "$preset" && cmake --build --preset "$preset" --target paperchk paperchk_soak; } >"$build_log" 2>&1; then
  cat "$build_log"
  rm -f "$build_log"
  exit 1
fi
rm -f "$build_log"

bin=$PWD/build/$preset
export PAPERCHK_WINEPREFIX=$bin/wineprefix-soak
mkdir -p build/soak
log=build/soak/soak-$(date -u +%Y%m%d-%H%M%S)-$$.log
: >"$log"
# Wine programs write to a file, not a pipe; the log is shown as it grows.
scripts/with-xvfb.sh scripts/wine-run.sh "$preset" "$bin/paperchk_soak.exe" --paperchk "$bin/paperchk.exe" \
  --runs "$runs" "$@" >"$log" 2>&1 &
soak=$!
tail -n +1 --pid="$soak" -f "$log"
status=0
wait "$soak" || status=$?
exit $status
