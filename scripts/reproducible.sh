#!/usr/bin/env bash
# Checks that the release's bytes depend on the sources alone: copies the
# working tree into two temporary folders (different names and depths),
# builds what the release ships in the release configuration for win32 and
# win64 in each, packs the results as scripts/release.sh does, and compares
# file by file. A difference is named with its first differing offset.
#   reproducible.sh
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
# What is built and compared: the product (the release also ships the
# stand-in, built from the same options).
targets=(paperchk)
outputs=(paperchk.exe)

work=$(mktemp -d /tmp/paperchk-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
folders=("$work/first" "$work/second/checkout-b")

build_in() {  # build_in FOLDER: a copy of the working tree, built and packed
  local folder=$1 preset arch output
  mkdir -p "$folder"
  git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$folder"
  mkdir -p "$folder/staging"
  for preset in release-win32 release-win64; do
    arch=x86
    [[ $preset == *win64 ]] && arch=x64
    (cd "$folder" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target "${targets[@]}" >/dev/null) ||
      return 1
    mkdir -p "$folder/staging/$arch"
    for output in "${outputs[@]}"; do
      cp "$folder/build/$preset/$output" "$folder/staging/$arch/" || return 1
    done
  done
  python3 scripts/pack_release.py "$folder/staging" "$folder/staging.zip"
}

started=$SECONDS
for folder in "${folders[@]}"; do
  if ! build_in "$folder"; then
    echo "reproducible: the build in $folder failed"
    exit 1
  fi
done
echo "reproducible: built twice in $((SECONDS - started)) s"

status=0
first=${folders[0]}
second=${folders[1]}
while read -r name; do
  if [[ ! -f $second/$name ]]; then
    echo "reproducible: $name is missing from the second build"
    status=1
  elif ! cmp -s "$first/$name" "$second/$name"; then
    offset=$(cmp "$first/$name" "$second/$name" 2>&1 | sed -nE 's/.* differ: (byte|char) ([0-9]+).*/\2/p')
    if [[ -n $offset ]]; then
      printf 'reproducible: %s differs, first at offset %d (0x%x)\n' "$name" $((offset - 1)) $((offset - 1))
    else
      echo "reproducible: $name differs in length: $(cmp "$first/$name" "$second/$name" 2>&1)"
    fi
    status=1
  else
    echo "reproducible: $name identical ($(stat -c %s "$first/$name") bytes, sha256 $(sha256sum <"$first/$name" | cut -c1-16)...)"
  fi
done < <(cd "$first" && find staging staging.zip -type f | sort)
exit $status
