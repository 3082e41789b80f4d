#!/usr/bin/env bash
# Runs a command with its own Xvfb display and ends that Xvfb (by pid) and
# the Wine processes of the command's prefix afterwards:
#   with-xvfb.sh COMMAND [ARGS...]
# An existing display is not reused: tests get a fresh screen of their own.
set -uo pipefail

fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!

cleanup() {
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
