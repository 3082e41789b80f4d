#!/usr/bin/env bash
# Makes the release: installs what is missing, builds the program for win32
# and win64 in their release configuration (presets release-win32 and
# release-win64), installs both into one staging tree and packs it:
#   build/release/paperchk-<version>-windows.zip and build/release/SHA256SUMS
# The version is project(paperchk VERSION ...) in CMakeLists.txt. Every stamp
# is the commit's time (SOURCE_DATE_EPOCH, taken from git unless set), so two
# runs of one commit give the same bytes wherever and whenever they run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null); then
    echo "release.sh: not a git checkout: set SOURCE_DATE_EPOCH to the commit's time" >&2
    exit 1
  fi
fi
export SOURCE_DATE_EPOCH

out=build/release
staging=$out/staging
rm -rf "$staging"
mkdir -p "$out"
for preset in release-win32 release-win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cmake --install "build/$preset" --prefix "$staging" --strip >/dev/null
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-win32/CMakeCache.txt)
archive=paperchk-$version-windows.zip
rm -f "$out"/paperchk-*-windows.zip
python3 scripts/pack_release.py "$staging" "$out/$archive"
(cd "$out" && sha256sum "$archive" >SHA256SUMS)

echo
echo "archive: $out/$archive"
echo "size:    $(stat -c %s "$out/$archive") bytes"
echo "sha256:  $(cut -d' ' -f1 "$out/SHA256SUMS")"
