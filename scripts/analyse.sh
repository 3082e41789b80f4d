#!/usr/bin/env bash
# Static analysis of our own code, as the test command runs it:
#   scripts/analyse.sh [clang-tidy|cppcheck]      (default: both)
# The host and win32 presets must be configured (their compile commands name
# every source CMake builds). clang-tidy (checks in .clang-tidy) reads each
# source once: the portable code from the host build, the Windows layer, the
# tools and anything else only Windows builds from the win32 build, with the
# mingw-w64 headers; tests/ are left to the compilers (GoogleTest's macros
# make a test file cost five to ten times a source file, and over the host
# tests the checks named only static std::string constants). cppcheck is
# quick and reads everything, tests included, once per platform. Any finding fails; a finding the code is right about is
# suppressed inline with its reason (NOLINT(check): why /
# cppcheck-suppress id ; why).
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd -P)

jobs=2
out=build/analyse
builds=(build/host build/win32)
tools=("$@")
((${#tools[@]})) || tools=(clang-tidy cppcheck)

# clang-tidy runs clang on commands written for g++. For the mingw build it
# is told the target and given mingw's C++ library and Windows headers (not
# g++'s own intrinsics headers: clang brings its own).
clang_args_for() {  # clang_args_for COMPILER
  local compiler=$1 triple dir
  triple=$("$compiler" -dumpmachine) || return 1
  [[ $triple == *mingw* ]] || return 0
  echo "--extra-arg=--target=$triple --extra-arg=-nostdinc++ --extra-arg=-nostdlibinc"
  "$compiler" -x c++ -E -v - </dev/null 2>&1 |
    sed -n '/^#include <...> search starts here:/,/^End of search list./p' |
    sed -n 's/^ //p' |
    while read -r dir; do
      dir=$(realpath "$dir")
      [[ $dir == */include/c++* || $dir == */$triple/include ]] && echo "--extra-arg=-isystem$dir"
    done
}

run_clang_tidy() {
  python3 scripts/analysis_units.py "$out/clang-tidy" --unique --exclude tests "${builds[@]}" || return 1
  local build units compiler extra tool_status status=0
  for build in "${builds[@]}"; do
    units=$out/clang-tidy/$(basename "$build")
    [[ -s $units/files.txt ]] || continue
    compiler=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))[0]["arguments"][0])' \
      "$units/compile_commands.json") || return 1
    extra=$(clang_args_for "$compiler") || return 1
    tool_status=0
    # shellcheck disable=SC2086  # $extra is a list of words
    xargs -P "$jobs" -n 1 clang-tidy -p "$units" --quiet $extra <"$units/files.txt" \
      >"$units/findings.log" 2>"$units/output.log" || tool_status=$?
    report clang-tidy "$units" "$tool_status" || status=1
  done
  return "$status"
}

run_cppcheck() {
  python3 scripts/analysis_units.py "$out/cppcheck" "${builds[@]}" || return 1
  local build units platform tool_status status=0
  for build in "${builds[@]}"; do
    units=$out/cppcheck/$(basename "$build")
    [[ -s $units/files.txt ]] || continue
    platform=(--platform=native)
    grep -q -- '-w64-mingw32' "$units/compile_commands.json" && platform=(--library=windows --platform=win32A)
    tool_status=0
    # Left off, one reason each:
    #   missingIncludeSystem         cppcheck reads our code, not the system's headers
    #   useStlAlgorithm              a raw loop is often the plainer statement (a style opinion)
    cppcheck --project="$units/compile_commands.json" -j "$jobs" --quiet --std=c++17 \
      --enable=warning,style,performance,portability "${platform[@]}" --library=googletest \
      --inline-suppr --error-exitcode=1 \
      --suppress=missingIncludeSystem --suppress=useStlAlgorithm \
      --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
      2>"$units/findings.log" >"$units/output.log" || tool_status=$?
    report cppcheck "$units" "$tool_status" || status=1
  done
  return "$status"
}

# Prints one tool's findings over one build and a closing line. Fails when
# there are findings, or when the tool failed without naming one (then its
# other output tells why).
report() {  # report TOOL UNITS_DIR TOOL_STATUS
  local tool=$1 units=$2 tool_status=$3 findings
  sed "s|$root/||" "$units/findings.log"
  findings=$(grep -E '^[^ ]+:[0-9]+:[0-9]+: (error|warning|style|performance|portability|information): ' \
    "$units/findings.log" | sort -u | wc -l)
  echo "analyse: $tool over $(basename "$units"): $(wc -l <"$units/files.txt") files, $findings findings"
  if ((findings == 0 && tool_status != 0)); then
    tail -n 20 "$units/output.log"
    echo "analyse: $tool failed (status $tool_status)"
    return 1
  fi
  ((findings == 0))
}

status=0
started=$SECONDS
for tool in "${tools[@]}"; do
  case $tool in
    clang-tidy) run_clang_tidy || status=1 ;;
    cppcheck) run_cppcheck || status=1 ;;
    *) echo "analyse.sh: unknown tool '$tool'" >&2; exit 2 ;;
  esac
done
echo "analyse: ${tools[*]} in $((SECONDS - started)) s"
exit "$status"
