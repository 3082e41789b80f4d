#!/usr/bin/env bash
# The release's SDK used as a driver team would. Packs an archive of its own
# from the win32 and win64 builds (cmake --install and the release's packer,
# as scripts/release.sh does), unpacks it into a temporary folder and, from
# that folder alone:
#   - builds project/ (a C and a C++ program, find_package(paperchk_client),
#     paperchk::client) for x86 and x64 with mingw-w64, and for x64 with
#     clang targeting the mingw-w64 ABI; the C program must be linked by the
#     C compiler and import system DLLs only;
#   - builds the library's sources with the archive's standalone CMakeLists
#     (clang), and them and the C example with its plain Makefile (mingw-w64
#     gcc and clang);
#   - runs the x64 C program under Wine on its own Xvfb, launching the
#     archive's paperchk.exe, while consumer_press.exe presses "Ignora" with
#     real input: the decision read back must be 2, paperchk must have ended,
#     and the version the header and the library report must be the project's.
# Every build has warnings as errors. Needs the win32 and win64 builds.
#   tests/consumer/run.sh
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root=$(pwd)

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d /tmp/paperchk-consumer.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

check() {  # check NAME COMMAND...: runs it, shows its output only on failure
  local name=$1 started=$SECONDS
  shift
  if "$@" >"$work/step.log" 2>&1; then
    echo "consumer: $name: ok ($((SECONDS - started)) s)"
  else
    echo "consumer: $name: FAILED"
    tail -n 40 "$work/step.log"
    failures=$((failures + 1))
  fi
}

pack() {
  local preset
  for preset in win32 win64; do
    cmake --install "build/$preset" --prefix "$work/staging" --strip || return 1
  done
  python3 scripts/pack_release.py "$work/staging" "$work/paperchk.zip" &&
    python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$work/paperchk.zip" "$work/paperchk"
}
check "pack and unpack an archive" pack
sdk=$work/paperchk
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)

gcc_libs() {  # the mingw-w64 gcc's own library folder, which clang links from
  dirname "$("$1-gcc-posix" -print-libgcc-file-name)"
}

cmake_project() {  # cmake_project NAME C-COMPILER CXX-COMPILER [CMAKE ARGS...]
  local out=$work/cmake-$1
  cmake -S tests/consumer/project -B "$out" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_C_COMPILER="$2" -DCMAKE_CXX_COMPILER="$3" -DCMAKE_PREFIX_PATH="$sdk" "${@:4}" &&
    cmake --build "$out" -j2 &&
    [[ $(cat "$out/package_version.txt") == "$version" ]] &&
    # The C program is linked by the C compiler, nothing added by hand.
    grep -q -- "$2" "$out/CMakeFiles/consumer_c.dir/link.txt" &&
    ! grep -qE -- '-lstdc\+\+|-lsupc\+\+' "$out/CMakeFiles/consumer_c.dir/link.txt" &&
    bash scripts/footprint.sh x86_64-w64-mingw32-objdump "$out/consumer_c.exe" &&
    bash scripts/footprint.sh x86_64-w64-mingw32-objdump "$out/consumer_cpp.exe"
}
check "CMake project, x86 mingw-w64 gcc" cmake_project x86 i686-w64-mingw32-gcc-posix i686-w64-mingw32-g++-posix
check "CMake project, x64 mingw-w64 gcc" cmake_project x64 x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix
# Debian's clang 14 finds mingw-w64's headers and linker for this target, but
# not gcc's libraries and C++ headers (under gcc's own folder), and the posix
# thread model's libstdc++ needs winpthread, which clang does not add.
gcc_dir=$(gcc_libs x86_64-w64-mingw32)
check "CMake project, x64 clang" cmake_project clang clang clang++ \
  -DCMAKE_C_COMPILER_TARGET=x86_64-w64-mingw32 -DCMAKE_CXX_COMPILER_TARGET=x86_64-w64-mingw32 \
  -DCMAKE_EXE_LINKER_FLAGS="-L$gcc_dir" \
  -DCMAKE_CXX_FLAGS="-isystem $gcc_dir/include/c++ -isystem $gcc_dir/include/c++/x86_64-w64-mingw32" \
  -DCMAKE_CXX_STANDARD_LIBRARIES="-Wl,--whole-archive -lpthread -Wl,--no-whole-archive"

makefile_build() {  # makefile_build NAME MAKE-ARGS...: the archive's sources and example
  local out=$work/make-$1
  mkdir -p "$out" && cp -r "$sdk/include" "$sdk/src" "$sdk/example" "$out/" &&
    make -C "$out/src" "${@:2}" &&
    bash scripts/footprint.sh x86_64-w64-mingw32-objdump "$out/src/driver_example.exe"
}
standalone_cmake() {  # the archive's src/CMakeLists.txt, by clang, warnings as errors
  cmake -S "$sdk/src" -B "$work/standalone-clang" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=clang \
    -DCMAKE_C_COMPILER_TARGET=x86_64-w64-mingw32 -DCMAKE_C_FLAGS="-Wall -Wextra -Wpedantic -Wconversion -Werror" \
    -DCMAKE_EXE_LINKER_FLAGS="-L$gcc_dir" &&
    cmake --build "$work/standalone-clang" -j2
}
check "standalone CMakeLists, x64 clang" standalone_cmake
check "Makefile, x64 mingw-w64 gcc" makefile_build gcc CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar
check "Makefile, x64 clang" makefile_build clang CC="clang --target=x86_64-w64-mingw32" AR=x86_64-w64-mingw32-ar \
  LDFLAGS="-L$gcc_dir"

run_consumer() {  # the x64 C program under Wine, "Ignora" pressed with real input
  local output=$work/consumer.out
  PAPERCHK_WINEPREFIX=$root/build/wineprefix-consumer scripts/with-xvfb.sh tests/consumer/run-under-wine.sh \
    build/win64/tests/consumer/consumer_press.exe Ignora "$output" \
    "$work/cmake-x64/consumer_c.exe" "Z:${sdk//\//\\}\\bin\\x64\\paperchk.exe" "Z:${work//\//\\}\\exchange.bin"
  local status=$?
  tr -d '\r' <"$output" >"$output.unix"
  output=$output.unix
  cat "$output"
  ((status == 0)) &&
    grep -qx "version: $version $version" "$output" &&
    grep -qx "decision: 2" "$output" &&
    grep -qx "ended: yes" "$output"
}
check "x64 C program under Wine, Ignora pressed" run_consumer
grep -E '^(press|version|decision|ended): ' "$work/step.log" | sed 's/^/consumer:   /'

((failures == 0))
