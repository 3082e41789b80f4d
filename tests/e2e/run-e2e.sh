#!/usr/bin/env bash
# Runs one Windows test program of the end-to-end tests under Wine and then
# ends what is left in the tests' Wine prefix (a program under test that a
# failed test could not end, a help viewer), so that nothing outlives it:
#   run-e2e.sh WINE-RUN-SCRIPT ARCH PROGRAM [ARGS...]
# PAPERCHK_WINEPREFIX names the prefix (CMake sets it); it is made on first use.
set -uo pipefail

if [[ -z "${PAPERCHK_WINEPREFIX:-}" ]]; then
  echo "run-e2e.sh: PAPERCHK_WINEPREFIX is not set" >&2
  exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}

"$@"
status=$?

WINEPREFIX=$PAPERCHK_WINEPREFIX wineserver -k >/dev/null 2>&1
WINEPREFIX=$PAPERCHK_WINEPREFIX wineserver -w >/dev/null 2>&1
exit $status
