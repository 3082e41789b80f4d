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
