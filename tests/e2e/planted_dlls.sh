#!/usr/bin/env bash
# Planted DLLs: copies of the logging planted.dll, named as system DLLs that
# are not all KnownDLLs, beside copies of paperchk.exe and standin.exe and in
# the folder they are started from, with native-first overrides for those
# names (Wine then searches for them as Windows does). standin runs paperchk
# to the end of a retry; no planted DLL may have been loaded, and the run must
# succeed. Prints what the DLLs logged (the program folder, the current
# folder) and the loader's requests for the planted names.
#   planted_dlls.sh WINE-RUN-SCRIPT ARCH STANDIN PAPERCHK PLANTED_DLL
# Run under with-xvfb.sh; PAPERCHK_WINEPREFIX names the prefix.
set -uo pipefail
wine_run=$(realpath "$1") arch=$2 standin=$3 paperchk=$4 planted=$5

# The names: what paperchk and standin import, what the system loads for
# them, and what a theme would load. Not msimg32: Wine's own uxtheme loads it
# through Wine's internal delay loading, which searches the program's folder
# whatever the program set (docs/windows-and-wine.md).
names=(version imm32 uxtheme dwmapi comctl32 gdi32 user32 winmm shell32 cryptbase)

work=$(mktemp -d /tmp/paperchk-planted.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/current"
cp "$standin" "$paperchk" "$work/program/"
for name in "${names[@]}"; do
  cp "$planted" "$work/program/$name.dll"
  cp "$planted" "$work/current/$name.dll"
done
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

overrides=$(
  IFS=,
  echo "${names[*]}"
)
export PLANTED_DLL_LOG
PLANTED_DLL_LOG=$(windows_path "$work/planted.log")
export WINEDLLOVERRIDES="mscoree,mshtml=;$overrides=n,b"
# The loader's own account of each request, for the report (not the verdict).
export WINEDEBUG=warn-all,err-all,fixme-all,+loaddll
(cd "$work/current" &&
  timeout 120 "$wine_run" "$arch" "$work/program/standin.exe" --paperchk "$(windows_path "$work/program/paperchk.exe")" \
    --exchange "$work/exchange.bin" --create --press Riprova --complete-after 200 --timeout 60000) \
  >"$work/run.out" 2>&1
status=$?

grep -E '^(decision|paperchk ended)' "$work/run.out" | tr -d '\r' | sed 's/^/planted: /'
echo "planted: the loader loaded: $(grep -oiE "Loaded L\"[^\"]*\" at [^:]*: [a-z]+" "$work/run.out" |
  sed -E 's/Loaded L"([^"]*)" at [^:]*: ([a-z]+)/\1 (\2)/' | sed 's/\\\\/\\/g' |
  grep -iE "$(IFS='|'; echo "${names[*]}")" | sort -u | sed "s|$(windows_path "$work")|<work>|I" | tr '\n' ' ')"
if [[ -s $work/planted.log ]]; then
  echo "planted: FAILED: planted DLLs were loaded:"
  tr -d '\r' <"$work/planted.log" | sed "s|$work|<work>|g; s/^/planted:   /"
  exit 1
fi
if ((status != 0)); then
  echo "planted: FAILED: standin ended with status $status:"
  tail -n 20 "$work/run.out"
  exit 1
fi
echo "planted: no planted DLL was loaded; standin ended with status 0"
