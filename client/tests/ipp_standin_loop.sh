#!/usr/bin/env bash
# The whole loop of the IPP source under Wine, once: the stand-in reads a
# printer loaded with glossy A3 where the job asks for plain A4, shows
# paperchk's dialog with the rows made from that printer, presses "Riprova";
# meanwhile the printer is loaded with A4 (PAPERCHK_IPP_SWAP), and the
# stand-in's re-read sees it agree. Run inside ipp_printers.sh, on an Xvfb
# display of its own (with-xvfb.sh):
#   ipp_standin_loop.sh OUT_DIR STANDIN PAPERCHK RUNNER...
set -uo pipefail
out_dir=$1 standin=$2 paperchk=$3
shift 3
readonly riprova_timeout_s=60 standin_timeout_s=150
mkdir -p "$out_dir"
out=$out_dir/standin.txt
rm -f "$out"

timeout "$standin_timeout_s" "$@" "$standin" --paperchk "$paperchk" --ipp "$PAPERCHK_IPP_A3_URI" \
  --asked iso_a4_210x297mm,stationery,tray-1 --press Riprova --complete-after 60000 >"$out" 2>&1 &
standin_pid=$!
tries=$((riprova_timeout_s * 10))
until grep -q '^decision: 1 Riprova' "$out" 2>/dev/null; do
  if ! kill -0 "$standin_pid" 2>/dev/null || ((tries-- == 0)); then
    echo "ipp_standin_loop: no 'Riprova' from the stand-in" >&2
    break
  fi
  sleep 0.1
done
# The operator loads A4 into the upper tray.
"$PAPERCHK_IPP_SWAP"
wait "$standin_pid"
status=$?
cat "$out"

failed=0
expect() {  # expect LINE: the stand-in printed exactly this line
  if ! grep -qxF -- "$1" <(tr -d '\r' <"$out"); then
    echo "ipp_standin_loop: missing: $1" >&2
    failed=1
  fi
}
expect "dialog rows: [Percorso carta ] [Formato carta] [Tipo supporto]"
expect "dialog rows: [Vassoio carta  ] [A4] [Carta Comune]"
expect "dialog rows: [Vassoio carta  ] [A3] [Carta patinata lucida 720 dpi]"
expect "completion flag written"
if ! grep -q '^re-read: the printer now agrees' "$out"; then
  echo "ipp_standin_loop: the re-read did not see the printer agree" >&2
  failed=1
fi
if ((status != 0)); then
  echo "ipp_standin_loop: the stand-in ended with status $status" >&2
  failed=1
fi
exit $failed
