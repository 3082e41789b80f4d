# Shared by the project's scripts: which Windows build can run here, and why.
#
# The product is the 32-bit program (preset win32). Running it needs 32-bit
# Wine, which needs a kernel that executes 32-bit programs; some machines have
# that switched off, and on others the 32-bit Wine cannot be installed. There
# the same sources built for 64-bit Windows (preset win64) run the Windows
# tests and the demo under 64-bit Wine instead.

# A 32-bit x86 Linux program of 93 bytes that only exits with status 42: an
# ELF header, one loadable segment, and xor ebx,ebx; mov bl,42; xor eax,eax;
# inc eax; int 0x80.
readonly probe_32bit_elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00'\
'\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'\
'\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80'

# Whether this kernel runs 32-bit programs, decided by running the probe
# above (before set-up has installed anything). The answer is kept in
# PAPERCHK_KERNEL_RUNS_32BIT (1 or 0) for the scripts this one starts; a
# caller may set it beforehand to say the answer itself.
kernel_runs_32bit() {
  if [[ -z ${PAPERCHK_KERNEL_RUNS_32BIT:-} ]]; then
    local probe status=0
    probe=$(mktemp) || return 1
    printf "$probe_32bit_elf" >"$probe" && chmod +x "$probe"
    "$probe" >/dev/null 2>&1 || status=$?
    rm -f "$probe"
    export PAPERCHK_KERNEL_RUNS_32BIT=$((status == 42 ? 1 : 0))
  fi
  [[ $PAPERCHK_KERNEL_RUNS_32BIT == 1 ]]
}

wine32_installed() {
  /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}

runnable_windows_preset() {
  if kernel_runs_32bit && wine32_installed; then echo win32; else echo win64; fi
}

# Why the Windows tests and the demo run from win64 (empty where win32 runs).
win64_reason() {
  if ! kernel_runs_32bit; then
    echo "this kernel runs no 32-bit programs"
  elif ! wine32_installed; then
    echo "no 32-bit Wine is installed (set-up could not install wine32:i386)"
  fi
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
