#!/usr/bin/env bash
# Real IPP Everywhere printers for the tests: ippeveprinter (cups-ipp-utils)
# on the loopback interface, with its loaded media described in an
# attributes file. ippeveprinter will not start without a DNS-SD daemon,
# even with advertising off (-r off), so a D-Bus of our own (config and
# socket in the work folder) and avahi-daemon on it come first. Every
# process started here is ended by its pid when the script ends.
#   ipp_printers.sh WORK_DIR COMMAND...    runs COMMAND with
#     PAPERCHK_IPP_A3_URI  a printer with glossy A3 in tray-1 and plain A4 in tray-2
#     PAPERCHK_IPP_A4_URI  a printer with plain A4 in tray-1 and glossy A3 in tray-2
#     PAPERCHK_IPP_SWAP    a command that reloads the first printer as the second
#                          (same URI; what an operator's loading of A4 comes to)
set -uo pipefail
work=$(mkdir -p "$1" && cd "$1" && pwd)
shift
readonly start_timeout_s=20
pids=()

stop_all() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap stop_all EXIT

for program in dbus-daemon avahi-daemon ippeveprinter; do
  if ! command -v "$program" >/dev/null && [[ ! -x /usr/sbin/$program ]]; then
    echo "ipp_printers: $program is missing (scripts/setup.sh installs it)" >&2
    exit 1
  fi
done
export PATH=$PATH:/usr/sbin

free_ports() {  # two ports free on 127.0.0.1, both held until both are known
  python3 -c 'import socket
held = [socket.socket() for _ in range(2)]
for each in held: each.bind(("127.0.0.1", 0))
print(*[each.getsockname()[1] for each in held])'
}

wait_until() {  # wait_until DESCRIPTION COMMAND...: tries every 0.1 s, up to start_timeout_s
  local tries=$((start_timeout_s * 10))
  while ((tries-- > 0)); do
    "${@:2}" && return 0
    sleep 0.1
  done
  echo "ipp_printers: $1 within ${start_timeout_s} s" >&2
  return 1
}

cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
  </policy>
</busconfig>
EOF
cat >"$work/avahi.conf" <<'EOF'
[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
[wide-area]
enable-wide-area=no
[publish]
publish-addresses=no
publish-hinfo=no
publish-workstation=no
EOF

rm -f "$work/bus"
dbus-daemon --config-file="$work/bus.conf" --nofork >"$work/dbus.log" 2>&1 &
pids+=($!)
wait_until "no D-Bus socket" test -S "$work/bus" || exit 1
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/bus
avahi-daemon -f "$work/avahi.conf" --no-drop-root --no-chroot --no-rlimits >"$work/avahi.log" 2>&1 &
pids+=($!)
wait_until "avahi-daemon did not start" grep -q 'Server startup complete' "$work/avahi.log" || {
  cat "$work/avahi.log" >&2
  exit 1
}

media_col() {  # media_col SOURCE PWG-NAME X Y TYPE: one media-col-ready value
  printf '{MEMBER collection media-size {MEMBER integer x-dimension %s MEMBER integer y-dimension %s} MEMBER keyword media-size-name %s MEMBER keyword media-source %s MEMBER keyword media-type %s}' \
    "$3" "$4" "$2" "$1" "$5"
}
a3_glossy=(iso_a3_297x420mm 29700 42000 photographic-glossy)
a4_plain=(iso_a4_210x297mm 21000 29700 stationery)
write_conf() {  # write_conf FILE TRAY-1 TRAY-2 (each: PWG-NAME X Y TYPE)
  {
    echo "ATTR collection media-col-ready $(media_col tray-1 $2),$(media_col tray-2 $3)"
    echo "ATTR keyword media-ready ${2%% *},${3%% *}"
    echo "ATTR keyword media-source-supported tray-1,tray-2,manual"
  } >"$1"
}
write_conf "$work/a3.conf" "${a3_glossy[*]}" "${a4_plain[*]}"
write_conf "$work/a4.conf" "${a4_plain[*]}" "${a3_glossy[*]}"

declare -A printer_pid
start_printer() {  # start_printer NAME PORT CONF: listens on localhost (127.0.0.1 and ::1) only
  mkdir -p "$work/spool-$1"
  ippeveprinter -r off -n localhost -p "$2" -a "$3" -d "$work/spool-$1" "paperchk-$1" >"$work/printer-$1.log" 2>&1 &
  printer_pid[$1]=$!
  pids+=($!)
  wait_until "ippeveprinter $1 did not listen on port $2" bash -c "exec 3<>/dev/tcp/127.0.0.1/$2" 2>/dev/null || {
    cat "$work/printer-$1.log" >&2
    exit 1
  }
}
read -r a3_port a4_port < <(free_ports)
start_printer a3 "$a3_port" "$work/a3.conf"
start_printer a4 "$a4_port" "$work/a4.conf"

# The swap: the first printer ended and started again on its port with A4 in tray-1.
cat >"$work/swap.sh" <<EOF
#!/usr/bin/env bash
kill ${printer_pid[a3]} && while kill -0 ${printer_pid[a3]} 2>/dev/null; do sleep 0.1; done
DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SYSTEM_BUS_ADDRESS ippeveprinter -r off -n localhost -p $a3_port -a $work/a4.conf \\
  -d $work/spool-a3 paperchk-a3 >$work/printer-a3-swapped.log 2>&1 &
echo \$! >$work/swapped.pid
EOF
chmod +x "$work/swap.sh"
swapped_pid() { [[ -f $work/swapped.pid ]] && cat "$work/swapped.pid"; }

export PAPERCHK_IPP_A3_URI=ipp://127.0.0.1:$a3_port/ipp/print
export PAPERCHK_IPP_A4_URI=ipp://127.0.0.1:$a4_port/ipp/print
export PAPERCHK_IPP_SWAP=$work/swap.sh
"$@"
status=$?
if pid=$(swapped_pid); then pids+=("$pid"); fi
exit $status
