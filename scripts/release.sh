#!/usr/bin/env bash
# Makes the release: installs what is missing, builds the program for win32
# and win64 in their release configuration (presets release-win32 and
# release-win64), installs both into one staging tree, adds the client
# library built in the MSVC ABI (scripts/msvc_libraries.sh) and packs it:
#   build/release/paperchk-<version>-windows.zip and build/release/SHA256SUMS
# The version is project(paperchk VERSION ...) in CMakeLists.txt. Every stamp
# is the commit's time (SOURCE_DATE_EPOCH, taken from git unless set), so two
# runs of one commit give the same bytes wherever and whenever they run.
# Given the team's certificate and key (PAPERCHK_SIGN_*, release/README.md),
# every program is signed before packing (scripts/sign_programs.sh); a
# problem with them stops the release with one sentence and no archive.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The signing test runs the release several times after the test command's
# own set-up, and says so (PAPERCHK_SETUP_DONE=1).
[[ ${PAPERCHK_SETUP_DONE:-} == 1 ]] || bash scripts/setup.sh

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
# No archive is left from an earlier run whatever happens below.
rm -f "$out"/paperchk-*-windows.zip "$out/SHA256SUMS"
# The signing files are checked before anything is built.
bash scripts/sign_programs.sh check || exit 1
for preset in release-win32 release-win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cmake --install "build/$preset" --prefix "$staging" --strip >/dev/null
done
# The SDK's MSVC-ABI libraries, x86, x64 and ARM64, from the staged sources.
bash scripts/msvc_libraries.sh "$staging"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-win32/CMakeCache.txt)
archive=paperchk-$version-windows.zip
if ! bash scripts/sign_programs.sh sign "$staging"; then
  rm -rf "$staging"
  exit 1
fi
python3 scripts/pack_release.py "$staging" "$out/$archive"
(cd "$out" && sha256sum "$archive" >SHA256SUMS)

echo
echo "archive: $out/$archive"
echo "size:    $(stat -c %s "$out/$archive") bytes"
echo "sha256:  $(cut -d' ' -f1 "$out/SHA256SUMS")"
