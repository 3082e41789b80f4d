#!/usr/bin/env bash
# Builds a fuzz target for libFuzzer (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it:
#   fuzz/run.sh [TARGET] [SECONDS [LIBFUZZER-OPTION...]]
#     TARGET: parse (default), session, round-trip or ipp; SECONDS: default 600; further
#     options go to libFuzzer as they are (for instance -use_value_profile=1)
#   fuzz/run.sh SECONDS                the parser's target
# parse:   the command-line copy and parse (parse_fuzzer.cpp);
# session: a whole run of the core, command line and a script of events
#          (session_fuzzer.cpp, session_script.h);
# round-trip: the client library's command-line builder read back by the
#          parser (client/fuzz/round_trip_fuzzer.cpp; client/fuzz/run.sh);
# ipp:     the client library's IPP decoder and comparison on a printer's
#          response (client/fuzz/ipp_decode_fuzzer.cpp; client/fuzz/run-ipp.sh).
# The kept corpus (fuzz/corpus/TARGET, client/fuzz/corpus for round-trip,
# client/fuzz/ipp-corpus for ipp) is
# copied to build/fuzz/TARGET/corpus, where new inputs accumulate; crashing
# inputs are written to fuzz/findings/ (client/fuzz/findings/).
set -euo pipefail

target=parse
if [[ $# -gt 0 && ! $1 =~ ^[0-9]+$ ]]; then
  target=$1
  shift
fi
seconds=${1:-600}
if [[ $# -gt 0 ]]; then shift; fi
case $target in
  parse | session) ;;
  round-trip | ipp) ;;
  *)
    echo "usage: fuzz/run.sh [parse|session|round-trip|ipp] [SECONDS]" >&2
    exit 2
    ;;
esac

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/build/fuzz/$target
source_file=$root/fuzz/${target}_fuzzer.cpp
kept=$root/fuzz/corpus/$target
findings=$root/fuzz/findings
extra=()
if [[ $target == round-trip ]]; then
  source_file=$root/client/fuzz/round_trip_fuzzer.cpp
  kept=$root/client/fuzz/corpus
  findings=$root/client/fuzz/findings
  extra=("$root/client/command_line.c" "$root/client/code_page_posix.c")
elif [[ $target == ipp ]]; then
  source_file=$root/client/fuzz/ipp_decode_fuzzer.cpp
  kept=$root/client/fuzz/ipp-corpus
  findings=$root/client/fuzz/findings
  extra=("$root/client/command_line.c" "$root/client/code_page_posix.c" "$root/client/ipp_codec.c"
         "$root/client/ipp_compare.c")
fi
mkdir -p "$out/corpus" "$findings"

# The portable core: every subsystem source but the platform's sides.
mapfile -t core < <(find "$root/report" "$root/resources" "$root/dialog" "$root/exchange" "$root/help" "$root/text" \
  -maxdepth 1 -name '*.cpp' ! -name '*_win32.cpp' ! -name '*_posix.cpp' | sort)

# The client library is C: its sources become objects of their own first.
objects=()
for each in "${extra[@]}"; do
  clang -std=c99 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined \
    -c "$each" -o "$out/$(basename "$each").o"
  objects+=("$out/$(basename "$each").o")
done
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I"$root" -I"$root/tests" \
  "$source_file" "${objects[@]}" "${core[@]}" \
  -o "$out/fuzzer"

cp -n "$kept"/* "$out/corpus/"

# Words the target looks for, so mutations reach the deeper paths sooner.
if [[ $target == parse ]]; then
  cat >"$out/fuzz.dict" <<'DICT'
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
  max_len=4200
elif [[ $target == round-trip ]]; then
  # Characters the builder's rules are about, so mutations reach them sooner.
  cat >"$out/fuzz.dict" <<'DICT'
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
  max_len=4200
elif [[ $target == ipp ]]; then
  # The tags and names the decoder acts on.
  cat >"$out/fuzz.dict" <<'DICT'
"\x01\x01\x00\x00"
"\x04"
"\x03"
"\x34\x00\x00\x00\x00"
"\x37\x00\x00\x00\x00"
"\x4a\x00\x00"
"\x13\x00\x00\x00\x00"
"media-col-ready"
"media-size"
"media-size-name"
"media-source"
"media-type"
"x-dimension"
"y-dimension"
"tray-1"
"tray-2"
"auto"
"stationery"
"iso_a4_210x297mm"
DICT
  max_len=17000
else
  # Codes the dialog interprets itself, and the end of the command line.
  cat >"$out/fuzz.dict" <<'DICT'
"1_Item"
"2_Item"
"3_Item"
"\\"
"\x00"
"30001"
"30002"
"30004"
"30005"
"115"
"\\1\\"
",,"
DICT
  max_len=4600
fi

log=$out/last-run.log
status=0
"$out/fuzzer" "$out/corpus" \
  -dict="$out/fuzz.dict" \
  -max_len="$max_len" \
  -max_total_time="$seconds" \
  -print_final_stats=1 \
  -artifact_prefix="$findings/$target-" \
  "$@" \
  >"$log" 2>&1 || status=$?

tail -n 25 "$log"
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
echo "fuzz $target: ${executions:-unknown} executions in ${seconds} s, exit status $status"
ls -1 "$findings" 2>/dev/null | sed 's/^/fuzz: finding /'
exit "$status"
