#!/usr/bin/env bash
# A C driver links the client library with the C compiler alone: for each
# compiler given, builds c_driver.c without the library and with every
# source of it (gcc, no C++ runtime on the line), checks the program's
# imports and map with scripts/footprint.sh, prints what the library adds,
# and fails when that is more than the limit. With module sources after a
# `+`, the baseline is the driver with the library and the growth what the
# module (PAPERCHK_WITH_IPP in c_driver.c) adds to it.
#   c_link_check.sh OUT_DIR MAX_GROWTH_BYTES SOURCE... [+ MODULE_SOURCE...] -- COMPILER:OBJDUMP...
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$1
max_growth=$2
shift 2
sources=()
module=()
while (($#)) && [[ $1 != -- && $1 != + ]]; do
  sources+=("$1")
  shift
done
if [[ ${1:-} == + ]]; then
  shift
  while (($#)) && [[ $1 != -- ]]; do
    module+=("$1")
    shift
  done
fi
shift
if (($# == 0)); then
  echo "c_link_check: no compiler to check with"
  exit 1
fi
mkdir -p "$out"

# What a driver would use: C99, optimised for size, stripped.
flags=(-std=c99 -Os -s -Wall -Wextra -Wpedantic -Werror)
status=0
for pair in "$@"; do
  compiler=${pair%%:*}
  objdump=${pair#*:}
  name=$(basename "$compiler")
  base=$out/$name-baseline.exe
  with=$out/$name-with-library.exe
  if ((${#module[@]})); then
    baseline=(-I"$root/client" "$here/c_driver.c" "${sources[@]}")
    addition=(-DPAPERCHK_WITH_IPP "${sources[@]}" "${module[@]}")
    what="the module"
  else
    baseline=(-DPAPERCHK_BASELINE "$here/c_driver.c")
    addition=("${sources[@]}")
    what="library"
  fi
  if ! "$compiler" "${flags[@]}" "${baseline[@]}" -o "$base" ||
    ! "$compiler" "${flags[@]}" -I"$root/client" "$here/c_driver.c" "${addition[@]}" -o "$with" \
      -Wl,-Map,"$with.map"; then
    echo "$name: the C driver does not build with $what"
    status=1
    continue
  fi
  echo "== $name"
  "$root/scripts/footprint.sh" "$objdump" "$with" "" "$with.map" || status=1
  if ((${#module[@]})); then
    # The module loads what it needs when called: the import list stays the driver's.
    dlls() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort | tr '\n' ' '; }
    if [[ $(dlls "$base") != "$(dlls "$with")" ]]; then
      echo "$name: the module changes the imports: $(dlls "$base")-> $(dlls "$with")"
      status=1
    fi
  fi
  growth=$(($(stat -c %s "$with") - $(stat -c %s "$base")))
  echo "$what adds $growth bytes ($(stat -c %s "$base") without it; limit $max_growth)"
  if ((growth > max_growth)); then
    echo "$name: $what adds more than $max_growth bytes"
    status=1
  fi
done
exit $status
