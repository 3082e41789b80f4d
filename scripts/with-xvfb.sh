#!/usr/bin/env bash
# Runs a command with its own Xvfb display, then ends the Wine processes of
# the project's prefixes (their desktop is tied to this display) and that
# Xvfb, by pid:
#   with-xvfb.sh COMMAND [ARGS...]
# An existing display is not reused: tests get a fresh screen of their own
# (1024 x 768 unless PAPERCHK_XVFB_SCREEN gives another, as WxHxDEPTH).
# PAPERCHK_WINEPREFIX, when set, names the one prefix the command uses.
set -uo pipefail

fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${PAPERCHK_XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

end_wine() {
  local prefix
  for prefix in ${PAPERCHK_WINEPREFIX:-"$here"/../build/wineprefix-win32 "$here"/../build/wineprefix-win64}; do
    [[ -d $prefix ]] && WINEPREFIX=$prefix timeout 20 wineserver -k 2>/dev/null
  done
  return 0
}

cleanup() {
  end_wine
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  rm -f "$fdfile"
}
trap cleanup EXIT INT TERM

for _ in $(seq 100); do
  [[ -s "$fdfile" ]] && break
  sleep 0.1
done
if [[ ! -s "$fdfile" ]]; then
  echo "with-xvfb.sh: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$fdfile")"

"$@"
status=$?
exit $status
