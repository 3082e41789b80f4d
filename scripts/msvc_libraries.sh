#!/usr/bin/env bash
# Builds the client library in the MSVC ABI for x86, x64 and ARM64 from a
# release's staging tree (its src/ and include/, through src/Makefile, as a
# driver team would) and puts them into it:
#   msvc_libraries.sh STAGING     ->  STAGING/lib/msvc/{x86,x64,arm64}/paperchk_client.lib
# The compiler is clang-cl (Debian's clang in its MSVC mode) with Wine's
# Windows and C-runtime headers, which follow the Windows SDK's (scripts/setup.sh
# installs both); /W4 /WX, /Brepro (no time stamps: the archive's bytes
# depend on the commit alone), and the stack cookies of /GS, which every MSVC
# C runtime provides. Wine 8's winnt.h defines _InterlockedCompareExchange128
# itself for 64-bit ARM, which clang has built in; the header's copy is renamed.
set -euo pipefail
staging=$(cd "$1" && pwd)
clang_cl=$(command -v clang-cl || command -v clang-cl-14) || {
  echo "msvc_libraries.sh: clang-cl is missing (scripts/setup.sh installs clang)" >&2
  exit 1
}
wine_include=/usr/include/wine/wine
[[ -d $wine_include/windows ]] || {
  echo "msvc_libraries.sh: Wine's headers are missing (scripts/setup.sh installs libwine-dev)" >&2
  exit 1
}

work=$(mktemp -d /tmp/paperchk-msvc.XXXXXX)
trap 'rm -rf "$work"' EXIT
for arch in x86 x64 arm64; do
  case $arch in
    x86) target=i686-pc-windows-msvc extra= ;;
    x64) target=x86_64-pc-windows-msvc extra= ;;
    arm64) target=aarch64-pc-windows-msvc extra=-D_InterlockedCompareExchange128=wine_InterlockedCompareExchange128 ;;
  esac
  # One folder name for every build, so that nothing of the machine's paths
  # can differ between two releases.
  rm -rf "$work/sdk" && mkdir -p "$work/sdk" && cp -r "$staging/src" "$staging/include" "$work/sdk/"
  make -s -C "$work/sdk/src" library CC="$clang_cl --target=$target" AR="lld-link /lib" \
    CPPFLAGS="-I. -I../include $extra -imsvc $wine_include/msvcrt -imsvc $wine_include/windows" \
    CFLAGS="/nologo /O1 /W4 /WX /Brepro" >/dev/null
  mkdir -p "$staging/lib/msvc/$arch"
  cp "$work/sdk/src/paperchk_client.lib" "$staging/lib/msvc/$arch/"
done
