#!/usr/bin/env bash
# Prints a Windows program's size, the DLLs it imports and its exploit
# mitigations, and fails when it imports anything but the system's own DLLs,
# is larger than a limit, lacks a mitigation (scripts/pe_hardening.py), or
# (given the linker's map) links any part of the C++ library or the threading
# library or delay-loads a DLL that is not the system's. --system-folder-dlls
# also asks for the load configuration's dependent-load flag (the programs of
# the release: startup/):
#   footprint.sh [--system-folder-dlls] OBJDUMP PROGRAM [MAX_BYTES [MAP]]
set -uo pipefail

hardening_options=()
if [[ ${1:-} == --system-folder-dlls ]]; then
  hardening_options=(--system-folder-dlls)
  shift
fi
objdump=$1
program=$2
max_bytes=${3:-}
map=${4:-}

# The DLLs every Windows installation carries.
system_dlls='^(kernel32|user32|gdi32|comctl32|msvcrt|advapi32|shell32|ole32|oleaut32|oleacc|comdlg32|version|winspool\.drv)(\.dll)?$'

if [[ ! -f $program ]]; then
  echo "footprint: $program is missing"
  exit 1
fi
status=0
size=$(stat -c %s "$program")
imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
if [[ -z $imports ]]; then
  echo "footprint: no import table found in $program"
  exit 1
fi

if [[ -n $max_bytes ]]; then
  echo "size: $size bytes (limit $max_bytes)"
  if ((size > max_bytes)); then
    echo "footprint: $program is larger than $max_bytes bytes"
    status=1
  fi
else
  echo "size: $size bytes (no limit for this build)"
fi
echo "imports: $(tr '\n' ' ' <<<"$imports")"
while read -r dll; do
  if ! grep -qiE "$system_dlls" <<<"$dll"; then
    echo "footprint: $program imports $dll, which is not a system DLL"
    status=1
  fi
done <<<"$imports"

python3 "$(dirname "${BASH_SOURCE[0]}")/pe_hardening.py" "${hardening_options[@]}" "$program" || status=1

if [[ -n $map ]]; then
  linked=$(grep -oE 'lib(stdc\+\+|supc\+\+|winpthread|gcc_eh)[^/( ]*\.a\([^)]*\)' "$map" | sort -u)
  if [[ -n $linked ]]; then
    echo "footprint: the program links parts of the C++ or threading library:"
    echo "$linked"
    status=1
  else
    echo "map: nothing of libstdc++, libsupc++, libgcc_eh or winpthread is linked"
  fi
  # Delay-loaded DLLs are not in the import table; the map names their
  # libraries (startup/CMakeLists.txt makes them in the build's delay/).
  delayed=$(grep -oE '/delay/lib[A-Za-z0-9_]+\.a\(' "$map" | sed -E 's|.*/lib(.*)\.a\(|\1|' | sort -u)
  if [[ -n $delayed ]]; then
    echo "delay-loaded: $(tr '\n' ' ' <<<"$delayed")"
    while read -r dll; do
      if ! grep -qiE "$system_dlls" <<<"$dll"; then
        echo "footprint: $program delay-loads $dll, which is not a system DLL"
        status=1
      fi
    done <<<"$delayed"
  fi
fi
exit $status
