#!/usr/bin/env bash
# Builds the command-line parser's fuzz target for libFuzzer (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs it:
#   fuzz/run.sh [SECONDS]        (default 600)
# The kept corpus (fuzz/corpus) is copied to build/fuzz/corpus, where new
# inputs accumulate; crashing inputs are written to fuzz/findings/.
set -euo pipefail

seconds=${1:-600}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/build/fuzz
findings=$root/fuzz/findings
mkdir -p "$out/corpus" "$findings"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I"$root" \
  "$root/fuzz/parse_fuzzer.cpp" \
  "$root/report/code.cpp" "$root/report/mismatch_report.cpp" \
  "$root/resources/text_catalogue.cpp" "$root/resources/text_buffer.cpp" \
  -o "$out/parse_fuzzer"

cp -n "$root"/fuzz/corpus/* "$out/corpus/"

# Words the parser looks for, so mutations reach the deeper paths sooner.
cat >"$out/parse.dict" <<'DICT'
"1_Item"
"2_Item"
"3_Item"
"1_ITEM"
"\\"
"\\\\"
" "
"\""
"-"
"+"
"4294967296"
DICT

log=$out/last-run.log
status=0
"$out/parse_fuzzer" "$out/corpus" \
  -dict="$out/parse.dict" \
  -max_len=4200 \
  -max_total_time="$seconds" \
  -print_final_stats=1 \
  -artifact_prefix="$findings/" \
  >"$log" 2>&1 || status=$?

tail -n 25 "$log"
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
echo "fuzz: ${executions:-unknown} executions in ${seconds} s, exit status $status"
ls -1 "$findings" 2>/dev/null | sed 's/^/fuzz: finding /'
exit "$status"
