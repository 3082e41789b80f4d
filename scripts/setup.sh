#!/usr/bin/env bash
# Installs what building and testing paperchk needs on Debian 12 (run as root):
# the compilers, Wine, a virtual display, and the fonts the Wine prefixes use
# (DejaVu, VL Gothic for the Japanese start-up error, and Wine's own fonts for
# the caption buttons), and ippeveprinter with avahi-daemon and D-Bus for the
# IPP source's tests. The 32-bit Wine is asked for only where this kernel
# runs 32-bit programs.
# Idempotent: skips what is present, quiet when nothing is missing. A package
# index that cannot be downloaded, or a 32-bit Wine that cannot be installed,
# is said in one line and set-up goes on; a missing package that this machine
# needs and that cannot be installed ends set-up, named.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/common.sh"

packages=(
  cmake g++ make python3
  googletest libgtest-dev libgmock-dev
  clang lld libclang-rt-14-dev clang-tidy cppcheck
  # The release: Authenticode signing (osslsigncode), and llvm-objdump and
  # llvm-dlltool for the SDK's MSVC-ABI and ARM64 libraries (llvm).
  osslsigncode llvm
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 libwine-dev fonts-wine
  xvfb xdotool imagemagick x11-utils
  # A real IPP Everywhere printer for the client's IPP source, and the
  # DNS-SD daemon (on a D-Bus of the test's own) it will not start without.
  cups-ipp-utils avahi-daemon dbus
  fonts-dejavu-core fonts-vlgothic
)
readonly wine32=wine32:i386
if kernel_runs_32bit; then
  packages+=("$wine32")
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done
((${#missing[@]})) || exit 0

echo "setup: installing ${missing[*]}"
if [[ $EUID -ne 0 ]]; then
  echo "setup: must run as root to install packages" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

first_error() {  # the first error apt printed, for a one-line report
  grep -m1 -E '^(E|Err):' "$log" | cut -c1-200
}

# A package server can be in the middle of a mirror sync for a while: a few
# tries, then the indexes this machine already has.
tries=${PAPERCHK_SETUP_UPDATE_TRIES:-3}
for ((try = 1; ; try++)); do
  apt-get update -qq >"$log" 2>&1 && break
  if ((try >= tries)); then
    echo "setup: the package indexes could not be updated ($tries tries; $(first_error)); going on with the indexes this machine has"
    break
  fi
  sleep "${PAPERCHK_SETUP_UPDATE_PAUSE:-10}"
done

install() {
  apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}

install "${missing[@]}" && exit 0

# Something failed: the rest without the 32-bit Wine, which the scripts can
# do without, and where that fails too each package alone, to name the one
# this machine lacks.
rest=()
for p in "${missing[@]}"; do
  [[ $p == "$wine32" ]] || rest+=("$p")
done
if ((${#rest[@]})) && ! install "${rest[@]}"; then
  for p in "${rest[@]}"; do
    if ! install "$p"; then
      echo "setup: cannot install $p, which this machine needs: $(first_error)" >&2
      exit 1
    fi
  done
fi
if ((${#rest[@]} < ${#missing[@]})) && ! install "$wine32"; then
  echo "setup: $wine32 cannot be installed here ($(first_error)); the Windows tests and the demo run from win64"
fi
exit 0
