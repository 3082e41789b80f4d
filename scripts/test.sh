#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host and the Windows
# presets (warnings are errors), runs the analysers over the code, the host
# tests (with sanitizers) and the Windows tests under Wine, the end-to-end
# tests of the real program included.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

bash scripts/setup.sh || exit 1

logdir=build/test-logs
mkdir -p "$logdir"
rm -f "$logdir"/ctest-*.log
failed_steps=()
passed_steps=()

step() {  # step NAME COMMAND...
  local name=$1
  shift
  echo "== $name"
  if ! "$@"; then
    echo "!! $name failed"
    failed_steps+=("$name")
    return 1
  fi
  passed_steps+=("$name")
}

quiet() {  # runs a command, showing its output only when it fails
  local log
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then
    rm -f "$log"
  else
    cat "$log"
    rm -f "$log"
    return 1
  fi
}

run_ctest() {  # run_ctest PRESET [CTEST ARGS...]
  ctest --preset "$@" 2>&1 | tee "$logdir/ctest-$1.log"
  return "${PIPESTATUS[0]}"
}

step "host: configure" quiet cmake --preset host &&
  step "host: build" cmake --build --preset host &&
  step "host: tests" run_ctest host

step "win32: configure" quiet cmake --preset win32 &&
  step "win32: build" cmake --build --preset win32

windows=$(runnable_windows_preset)
if [[ $windows == win64 ]]; then
  echo "== note: $(win64_reason), so the Windows tests run from the same sources"
  echo "   built for 64-bit Windows (preset win64); the product (win32) is built and its footprint checked."
fi
# win64 is built everywhere: every preset must compile without a warning.
step "win64: configure" quiet cmake --preset win64 &&
  step "win64: build" cmake --build --preset win64

# The analysers read the host and win32 compile commands; each is one check.
if [[ " ${failed_steps[*]} " != *" host: configure "* && " ${failed_steps[*]} " != *" win32: configure "* ]]; then
  step "analysis: clang-tidy" bash scripts/analyse.sh clang-tidy
  step "analysis: cppcheck" bash scripts/analyse.sh cppcheck
fi
[[ " ${failed_steps[*]} " == *" $windows: build "* ]] || step "$windows: tests" run_ctest "$windows"
# The product's size and imports are checked wherever it is built.
if [[ $windows == win64 && " ${failed_steps[*]} " != *" win32: build "* ]]; then
  step "win32: footprint" run_ctest win32 -R '^(footprint|footprint_standin|footprint_selftest|third_party_notices)$'
fi
# The release's bytes depend on the sources alone: the product built twice in
# two temporary folders and compared.
step "release: reproducible" bash scripts/reproducible.sh
# The release signed on request with a throwaway authority (tests/release/).
step "release: signing" bash tests/release/signing.sh
# The SDK of a release packed from the win32 and win64 builds, used from the
# unpacked archive alone as a driver team would (tests/consumer/run.sh).
if [[ " ${failed_steps[*]} " != *" win32: build "* && " ${failed_steps[*]} " != *" win64: build "* ]]; then
  step "release: consumer" bash tests/consumer/run.sh
fi
# The figures the footprint tests found (ctest shows a passing test's output
# only in its log).
for preset in $(printf '%s\n' win32 "$windows" | sort -u); do
  log=build/$preset/Testing/Temporary/LastTest.log
  [[ -f $log ]] && grep -E '^(size|imports|hardening|map|delay-loaded): ' "$log" | sed "s/^/$preset footprint: /"
done

# One closing line over all ctest runs.
passed=0
failed=0
for log in "$logdir"/ctest-*.log; do
  [[ -f $log ]] || continue
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  [[ -n $summary ]] || continue
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
for name in "${failed_steps[@]}"; do
  [[ $name == *tests ]] || failed=$((failed + 1))
done
for name in "${passed_steps[@]}"; do
  [[ $name == analysis:* || $name == release:* ]] && passed=$((passed + 1))
done
echo
((${#failed_steps[@]})) && echo "failed steps: ${failed_steps[*]}"
if [[ $windows == win64 ]]; then
  echo "Windows tests ran from win64: $(win64_reason)"
else
  echo "Windows tests ran from win32"
fi
echo "$passed passed, $failed failed"
[[ ${#failed_steps[@]} -eq 0 && $failed -eq 0 ]]
