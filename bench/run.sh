#!/usr/bin/env bash
# The side-by-side benchmark: paperchk and a baseline (bench/baseline_win32.cpp:
# the same resources and manifest, showing template 102 and nothing else),
# interleaved run by run under Wine on one Xvfb display and one prefix, timed
# from outside by bench_driver.exe. The completion after "Riprova" is timed
# for paperchk (the folder watched) and for paperchk_unwatched.exe, a bench
# build of the same sources with PAPERCHK_BENCH_UNWATCHED (the one-second
# poll alone), in turns. Prints a table and writes the same to
# build/bench/report.md.
#   bash bench/run.sh [PAIRS [COMPLETIONS [HELD]]]      (default 30, 30 and 30)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

pairs=${1:-30}
completions=${2:-30}
held=${3:-30}

bash scripts/setup.sh
# Decided after set-up, which installs Wine.
preset=$(runnable_windows_preset)
case $preset in
  win32) objdump=i686-w64-mingw32-objdump ;;
  win64) objdump=x86_64-w64-mingw32-objdump ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target paperchk paperchk_unwatched paperchk_baseline bench_driver >/dev/null

out=$PWD/build/bench
mkdir -p "$out"
paperchk=$PWD/build/$preset/paperchk.exe
baseline=$PWD/build/$preset/bench/paperchk_baseline.exe
unwatched=$PWD/build/$preset/bench/paperchk_unwatched.exe
driver=$PWD/build/$preset/bench/bench_driver.exe
windows_path() { echo "Z:${1//\//\\}"; }

export PAPERCHK_WINEPREFIX=$PWD/build/wineprefix-bench

# The kernel's own account of paperchk's CPU time while it waits: the run time
# of its tasks (/proc/PID/task/*/schedstat, in nanoseconds), read when the
# driver announces the start and the end of each waiting period (quiet folder,
# busy folder).
marks=$out/marks
rm -rf "$marks"
mkdir -p "$marks"
task_ns() {
  local total=0 ns rest file
  for file in /proc/"$1"/task/*/schedstat; do
    read -r ns rest <"$file" 2>/dev/null && total=$((total + ns))
  done
  echo "$total"
}
paperchk_pid() {  # the paperchk process in the bench's prefix
  local p cmd
  for p in /proc/[0-9]*; do
    grep -qzxF "WINEPREFIX=$PAPERCHK_WINEPREFIX" "$p/environ" 2>/dev/null || continue
    cmd=$(tr '\0' ' ' <"$p/cmdline" 2>/dev/null)
    if [[ $cmd == [A-Za-z]:* && $cmd == *'\paperchk.exe'* ]]; then
      echo "${p#/proc/}"
      return
    fi
  done
}
await_mark() {
  local deadline=$((SECONDS + 900))
  while [[ ! -e $marks/$1 ]]; do
    ((SECONDS < deadline)) || return 1
    sleep 0.005
  done
}
watch_wait() {
  local pid start end name
  for name in quiet busy; do
    await_mark "$name.start" || return
    pid=$(paperchk_pid)
    [[ -n $pid ]] || return
    start=$(task_ns "$pid")
    await_mark "$name.end" || return
    end=$(task_ns "$pid")
    touch "$marks/$name.read"
    echo $((end - start)) >"$marks/$name.ns"
  done
}
watch_wait &
watcher=$!

load_before=$(uptime)
# Wine programs write to a file, not a pipe.
if ! timeout 900 scripts/with-xvfb.sh scripts/wine-run.sh "$preset" "$driver" \
    --paperchk "$(windows_path "$paperchk")" --unwatched "$(windows_path "$unwatched")" \
    --baseline "$(windows_path "$baseline")" --exchange "$(windows_path "$out/exchange.bin")" \
    --pairs "$pairs" --completions "$completions" --held "$held" \
    --wait-seconds 10 --marks "$(windows_path "$marks")" >"$out/driver.out" 2>"$out/driver.err"; then
  echo "bench: the driver failed" >&2
  cat "$out/driver.out" "$out/driver.err" >&2
  kill "$watcher" 2>/dev/null
  exit 1
fi
load_after=$(uptime)
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true
kernel_ms() {
  if [[ -s $marks/$1.ns ]]; then
    awk '{printf "%.2f ms", $1 / 1e6}' "$marks/$1.ns"
  else
    echo "unknown (the process was not found)"
  fi
}
kernel_quiet=$(kernel_ms quiet)
kernel_busy=$(kernel_ms busy)

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
  # The kernel's figures go right below the driver's own waiting costs.
  tr -d '\r' <"$out/driver.out" | awk \
    -v quiet="| Waiting cost, quiet folder: the kernel's account (run time of paperchk's tasks in the same 10 s) | $kernel_quiet | under 20 ms |" \
    -v busy="| Waiting cost, busy folder: the kernel's account (run time of paperchk's tasks in the same 10 s) | $kernel_busy | under 20 ms |" \
    '{ print } /^\| Waiting cost, quiet/ { print quiet } /^\| Waiting cost, busy/ { print busy }'
  echo "| Size, paperchk.exe | $(stat -c %s "$paperchk") bytes | at most $(<scripts/product_size_limit) (32-bit build) |"
  echo "| Size, baseline | $(stat -c %s "$baseline") bytes | |"
  echo "| Size, paperchk_unwatched.exe (bench build) | $(stat -c %s "$unwatched") bytes | |"
  echo "| Imports, paperchk.exe | $(imports "$paperchk") | system DLLs only |"
  echo "| Imports, baseline | $(imports "$baseline") | |"
} >"$out/report.md"
cat "$out/report.md"
