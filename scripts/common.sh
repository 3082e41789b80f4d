# Shared by the project's scripts: which Windows build can run here.
#
# The product is the 32-bit program (preset win32). Running it needs 32-bit
# Wine, which needs a kernel that executes 32-bit programs; some machines have
# that switched off. There the same sources built for 64-bit Windows (preset
# win64) run the Windows tests and the demo under 64-bit Wine instead.
can_run_32bit() {
  /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}

runnable_windows_preset() {
  if can_run_32bit; then echo win32; else echo win64; fi
}

# Prints the id of the first window on $DISPLAY whose title matches NAME,
# waiting up to TENTHS tenths of a second (default 600) for it to appear;
# fails when none does.
await_window() {  # await_window NAME [TENTHS]
  local window _
  for _ in $(seq "${2:-600}"); do
    window=$(xdotool search --name "$1" 2>/dev/null | head -n1)
    if [[ -n $window ]]; then
      echo "$window"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
