#!/usr/bin/env bash
# The side-by-side benchmark: paperchk and a baseline (bench/baseline_win32.cpp:
# the same resources and manifest, showing template 102 and nothing else),
# interleaved run by run under Wine on one Xvfb display and one prefix, timed
# from outside by bench_driver.exe. Prints a table and writes the same to
# build/bench/report.md.
#   bash bench/run.sh [PAIRS [COMPLETIONS]]      (default 30 and 20)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

pairs=${1:-30}
completions=${2:-20}

bash scripts/setup.sh
# Decided after set-up, which installs Wine.
preset=$(runnable_windows_preset)
case $preset in
  win32) objdump=i686-w64-mingw32-objdump ;;
  win64) objdump=x86_64-w64-mingw32-objdump ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target paperchk paperchk_baseline bench_driver >/dev/null

out=$PWD/build/bench
mkdir -p "$out"
paperchk=$PWD/build/$preset/paperchk.exe
baseline=$PWD/build/$preset/bench/paperchk_baseline.exe
driver=$PWD/build/$preset/bench/bench_driver.exe
windows_path() { echo "Z:${1//\//\\}"; }

load_before=$(uptime)
export PAPERCHK_WINEPREFIX=$PWD/build/wineprefix-bench
# Wine programs write to a file, not a pipe.
if ! timeout 900 scripts/with-xvfb.sh scripts/wine-run.sh "$preset" "$driver" \
    --paperchk "$(windows_path "$paperchk")" --baseline "$(windows_path "$baseline")" \
    --exchange "$(windows_path "$out/exchange.bin")" --pairs "$pairs" --completions "$completions" \
    --wait-seconds 10 >"$out/driver.out" 2>"$out/driver.err"; then
  echo "bench: the driver failed" >&2
  cat "$out/driver.out" "$out/driver.err" >&2
  exit 1
fi
load_after=$(uptime)

imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r' | paste -sd ' '; }
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
{
  echo "# paperchk benchmark"
  echo
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- CPU: $cpu ($(nproc) cores)"
  echo "- Windows build: $preset, under $(wine --version 2>/dev/null || echo Wine) on one Xvfb display and one prefix"
  echo "- Load before: ${load_before##*load average: }; after: ${load_after##*load average: } (1, 5, 15 min)"
  echo
  echo "| What | Measured | Target |"
  echo "|---|---|---|"
  cat "$out/driver.out" | tr -d '\r'
  echo "| Size, paperchk.exe | $(stat -c %s "$paperchk") bytes | at most 65536 |"
  echo "| Size, baseline | $(stat -c %s "$baseline") bytes | |"
  echo "| Imports, paperchk.exe | $(imports "$paperchk") | system DLLs only |"
  echo "| Imports, baseline | $(imports "$baseline") | |"
} >"$out/report.md"
cat "$out/report.md"
