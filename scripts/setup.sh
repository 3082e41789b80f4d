#!/usr/bin/env bash
# Installs what building and testing paperchk needs on Debian 12 (run as root):
# the compilers, Wine, a virtual display, and the fonts the Wine prefixes use
# (DejaVu, and VL Gothic for the Japanese start-up error).
# Idempotent: skips what is present, quiet when nothing is missing.
set -euo pipefail

packages=(
  cmake g++ make python3
  googletest libgtest-dev libgmock-dev
  clang libclang-rt-14-dev clang-tidy cppcheck
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64
  xvfb xdotool imagemagick x11-utils
  fonts-dejavu-core fonts-vlgothic
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  if [[ $EUID -ne 0 ]]; then
    echo "setup: must run as root to install packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
elif [[ -n "${need_update:-}" ]]; then
  apt-get update -qq
fi
