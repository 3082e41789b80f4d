#!/usr/bin/env bash
# Builds the round trip of the command-line builder through paperchk's parser
# for libFuzzer (clang, with AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs it:
#   client/fuzz/run.sh [SECONDS]        (default 600)
# The kept corpus (client/fuzz/corpus) is copied to build/fuzz-round-trip/
# corpus, where new inputs accumulate; failing inputs go to
# client/fuzz/findings/.
set -euo pipefail

seconds=${1:-600}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$root/build/fuzz-round-trip
findings=$root/client/fuzz/findings
mkdir -p "$out/corpus" "$findings"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I"$root" \
  "$root/client/fuzz/round_trip_fuzzer.cpp" "$root/client/command_line.cpp" \
  "$root/report/code.cpp" "$root/report/mismatch_report.cpp" \
  "$root/resources/text_catalogue.cpp" "$root/dialog/paper_check_logic.cpp" \
  "$root/help/help_file.cpp" "$root/resources/text_buffer.cpp" \
  -o "$out/round_trip_fuzzer"

cp -n "$root"/client/fuzz/corpus/* "$out/corpus/"

# Characters the rules are about, so mutations reach them sooner.
cat >"$out/round_trip.dict" <<'DICT'
"\\"
"\\\\"
" "
"\""
","
",,"
"\x00"
"\\\\server\\queue"
",,server,queue"
"1_Item"
DICT

log=$out/last-run.log
status=0
"$out/round_trip_fuzzer" "$out/corpus" \
  -dict="$out/round_trip.dict" \
  -max_len=4200 \
  -max_total_time="$seconds" \
  -print_final_stats=1 \
  -artifact_prefix="$findings/" \
  >"$log" 2>&1 || status=$?

tail -n 25 "$log"
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
echo "round trip: ${executions:-unknown} executions in ${seconds} s, exit status $status"
ls -1 "$findings" 2>/dev/null | sed 's/^/round trip: finding /'
exit "$status"
