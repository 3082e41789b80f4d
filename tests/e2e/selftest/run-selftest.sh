#!/usr/bin/env bash
# The self-test kit as a user runs it: packs a release from the builds (as
# scripts/release.sh does: cmake --install and the release's packer),
# unpacks it into a temporary folder and runs tools/<arch>/paperchk-selftest.exe
# from there under Wine, on the display with-xvfb.sh gives. Passes when none
# failed and the skips are exactly the checks only Windows answers:
#   run-selftest.sh win32|win64
# Where no 32-bit Wine runs, the x64 kit tests bin/x64 only (--paperchk).
set -uo pipefail
arch=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
cd "$root"
source scripts/common.sh

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d /tmp/paperchk-selftest.XXXXXX)
trap 'rm -rf "$work"' EXIT
for preset in win32 win64; do
  [[ -f build/$preset/CMakeCache.txt ]] || continue
  [[ $preset == win32 && $(runnable_windows_preset) != win32 ]] && continue
  cmake --install "build/$preset" --prefix "$work/staging" --strip >/dev/null || exit 1
done
python3 scripts/pack_release.py "$work/staging" "$work/paperchk.zip" >/dev/null &&
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$work/paperchk.zip" "$work/release" ||
  exit 1

kit_arch=x86
[[ $arch == win64 ]] && kit_arch=x64
args=()
if [[ $arch == win64 && $(runnable_windows_preset) != win32 ]]; then
  echo "run-selftest.sh: $(win64_reason): the x64 kit tests bin/x64/paperchk.exe only"
  args=(--paperchk 'C:\paperchk\bin\x64\paperchk.exe')
fi

# The release at C:\paperchk, as a user would unpack it.
bash scripts/wine-run.sh "$arch" cmd /c exit >/dev/null 2>&1
drive_c=$PAPERCHK_WINEPREFIX/drive_c
rm -rf "$drive_c/paperchk"
cp -r "$work/release" "$drive_c/paperchk"
report=$work/report.txt
started=$SECONDS
bash scripts/wine-run.sh "$arch" 'C:\paperchk\tools\'"$kit_arch"'\paperchk-selftest.exe' "${args[@]}" \
  --junit 'C:\paperchk\selftest.xml' >"$report" 2>&1
status=$?
cat "$report"
echo "run-selftest.sh: exit status $status after $((SECONDS - started)) s"

# The checks only Windows answers, and nothing else, are skipped under Wine.
expected_skips=(Window.AccessibilityLayerNamesTheListsTheTraySelectorAndTheWaitBox
  Help.RealHtmlHelpWindowOpensAndTheDecisionClosesIt Help.WinHelpAnswerOnThisWindows)
fail=0
skips=$(sed -nE 's/^SKIP [a-z0-9]+ ([^:]+):.*/\1/p' "$report" | sort -u)
wanted=$(printf '%s\n' "${expected_skips[@]}" | sort -u)
if [[ $skips != "$wanted" ]]; then
  echo "run-selftest.sh: skipped: $(echo $skips); expected: $(echo $wanted)"
  fail=1
fi
if ! tail -n1 "$report" | grep -qE '^[0-9]+ passed, 0 failed, [0-9]+ skipped'; then
  echo "run-selftest.sh: the last line is not 'N passed, 0 failed, N skipped'"
  fail=1
fi
[[ $status -eq 0 ]] || fail=1
grep -q '<testsuites' "$drive_c/paperchk/selftest.xml" 2>/dev/null || { echo "run-selftest.sh: no JUnit file"; fail=1; }
rm -rf "$drive_c/paperchk"
exit $fail
