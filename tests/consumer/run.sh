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
#   - builds the sources and the C example in the MSVC ABI: clang-cl with
#     /W4 /WX against Wine's Windows and C-runtime headers, through the
#     archive's Makefile, for x86 and x64; links x64 with lld-link against
#     Wine's import libraries and checks its imports (x86 is compiled and
#     archived only: Wine's x86 import libraries come only with the i386
#     architecture; its system calls are checked against the mingw-w64
#     library's stdcall decorations);
#   - runs the x64 C program under Wine on its own Xvfb, launching the
#     archive's paperchk.exe, while consumer_press.exe presses "Ignora" with
#     real input: the decision read back must be 2, paperchk must have ended,
#     and the version the header and the library report must be the project's;
#     and the MSVC-ABI example the same way, "Riprova" pressed.
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

# The build lines of the archive's documents, run as written: a document
# that drifts from what builds fails here.
doc_line() {  # doc_line DOCUMENT PREFIX: the document's command that starts so
  python3 tests/consumer/doc_command.py "$sdk/$1" "$2"
}
run_doc_lines() {  # run_doc_lines FOLDER DOCUMENT PREFIX...: each command in FOLDER
  local folder=$1 document=$2 prefix line
  shift 2
  for prefix in "$@"; do
    line=$(doc_line "$document" "$prefix") || return 1
    echo "running: $line"
    (cd "$folder" && bash -c "$line") || return 1
  done
}
copy_sdk() {  # copy_sdk FOLDER: the archive's include/, src/ and example/
  mkdir -p "$1" && cp -r "$sdk/include" "$sdk/src" "$sdk/example" "$1/"
}
makefile_build() {  # makefile_build NAME PREFIX: SDK.md's make line, in a copy of src/
  local out=$work/make-$1
  copy_sdk "$out" && run_doc_lines "$out/src" SDK.md "$2" &&
    bash scripts/footprint.sh x86_64-w64-mingw32-objdump "$out/src/driver_example.exe"
}
standalone_cmake() {  # the archive's src/CMakeLists.txt, by clang, warnings as errors
  cmake -S "$sdk/src" -B "$work/standalone-clang" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=clang \
    -DCMAKE_C_COMPILER_TARGET=x86_64-w64-mingw32 -DCMAKE_C_FLAGS="-Wall -Wextra -Wpedantic -Wconversion -Werror" \
    -DCMAKE_EXE_LINKER_FLAGS="-L$gcc_dir" &&
    cmake --build "$work/standalone-clang" -j2
}
sdk_link_lines() {  # SDK.md's link lines for C and C++: the files copied into paperchk/ beside the driver
  local out=$work/sdk-lines
  mkdir -p "$out/paperchk" && cp "$sdk"/include/* "$sdk"/src/*.c "$sdk"/src/*.h "$out/paperchk/" &&
    cp "$sdk/example/driver_example.c" "$out/driver.c" &&
    printf '#include "paperchk_client.hpp"\n#include <cstdio>\nint main() { std::puts(paperchk_client_version()); }\n' \
      >"$out/driver.cpp" &&
    run_doc_lines "$out" SDK.md "x86_64-w64-mingw32-gcc -std=c99 -Os -s" &&
    bash scripts/footprint.sh x86_64-w64-mingw32-objdump "$out/driver.exe" &&
    run_doc_lines "$out" SDK.md "x86_64-w64-mingw32-gcc -std=c99 -Os -c" "x86_64-w64-mingw32-g++ -std=c++17" &&
    [[ -f $out/driver.exe ]]
}
readme_link_lines() {  # the release README's mingw-w64 lines, the archive unpacked as paperchk/
  local out=$work/readme-lines
  mkdir -p "$out" && ln -s "$sdk" "$out/paperchk" && cp "$sdk/example/driver_example.c" "$out/my_driver.c" &&
    run_doc_lines "$out" README.md "x86_64-w64-mingw32-gcc -I" "x86_64-w64-mingw32-gcc -o" &&
    bash scripts/footprint.sh x86_64-w64-mingw32-objdump "$out/my_driver.exe"
}
check "standalone CMakeLists, x64 clang" standalone_cmake
check "SDK.md's Makefile line, x64 mingw-w64 gcc" makefile_build gcc "make CC=x86_64-w64-mingw32-gcc"
check "SDK.md's Makefile line, x64 clang" makefile_build clang 'make CC="clang --target=x86_64-w64-mingw32"'
check "SDK.md's link lines, C and C++, x64 mingw-w64" sdk_link_lines
check "README.md's link lines, x64 mingw-w64" readme_link_lines

# The MSVC ABI: clang-cl (Debian's clang in its MSVC mode) with Wine's
# headers and import libraries, by SDK.md's lines; Wine's libraries hold no
# MSVC C runtime start-up but ucrtbase's, and no stack-cookie support, hence
# /GS-, /nodefaultlib and the entry point there.
stdcall_imports() {  # the decorated system functions an x86 library imports
  i686-w64-mingw32-nm "$1" | sed -n 's/^ *U __imp__\(.*@[0-9]*\)$/\1/p' | sort -u
}
msvc_build() {  # msvc_build x86|x64
  local out=$work/msvc-$1 prefix='make CC="clang-cl-14 --target=x86_64-pc-windows-msvc"'
  [[ $1 == x86 ]] && prefix='make library CC="clang-cl-14 --target=i686-pc-windows-msvc"'
  copy_sdk "$out" && run_doc_lines "$out/src" SDK.md "$prefix" &&
    echo "msvc $1: paperchk_client.lib $(stat -c %s "$out/src/paperchk_client.lib") bytes" || return 1
  if [[ $1 == x86 ]]; then
    # Not linked, so the calling convention is checked by name: every system
    # function the library calls carries the same stdcall decoration (@ and
    # its argument bytes) as in the mingw-w64 library of lib/x86.
    local msvc_calls mingw_calls
    msvc_calls=$(stdcall_imports "$out/src/paperchk_client.lib") &&
      mingw_calls=$(stdcall_imports "$sdk/lib/x86/libpaperchk_client.a") &&
      echo "msvc x86: $(wc -l <<<"$msvc_calls") system calls, decorated as mingw-w64's" &&
      [[ -n $msvc_calls && $msvc_calls == "$mingw_calls" ]]
    return
  fi
  local exe=$out/src/driver_example.exe imports
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
  echo "msvc $1: driver_example.exe $(stat -c %s "$exe") bytes, imports: $imports"
  [[ $imports == "kernel32.dll ucrtbase.dll user32.dll " ]]
}
check "SDK.md's Makefile line, x86 clang-cl (MSVC ABI)" msvc_build x86
grep -E '^msvc ' "$work/step.log" | sed 's/^/consumer:   /'
check "SDK.md's Makefile line, x64 clang-cl (MSVC ABI), linked by lld-link" msvc_build x64
grep -E '^msvc ' "$work/step.log" | sed 's/^/consumer:   /'

# Nothing shipped points at a file only the repository has.
repository_only() {
  ! grep -rnE "CMakeLists\.txt|version\.cmake|sample_requests|scripts/|setup\.sh|TESTING\.md|fuzz|the tests\b" \
    "$sdk/include" "$sdk/SDK.md" "$sdk/README.md" "$sdk/tools/README.md" "$sdk/example" "$sdk/src"/*.c "$sdk/src"/*.h \
    | grep -vE "src/CMakeLists\.txt|standalone .CMakeLists\.txt.|the archive's .src/CMakeLists"
}
check "shipped documents and headers name only the archive's files" repository_only

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

run_standin_line() {  # tools/README.md's unattended line, from the archive's folder, paperchk found by its layout
  local line output=$work/standin.out
  line=$(python3 tests/consumer/doc_command.py "$sdk/tools/README.md" 'tools\x64\standin.exe' bat) || return 1
  read -r -a words <<<"${line#tools\\x64\\standin.exe}"
  (cd "$sdk" && PAPERCHK_WINEPREFIX=$root/build/wineprefix-consumer timeout 120 "$root/scripts/with-xvfb.sh" \
    "$root/scripts/wine-run.sh" win64 'tools\x64\standin.exe' "${words[@]}" >"$output" 2>&1)
  local status=$?
  tr -d '\r' <"$output" >"$output.unix"
  cat "$output.unix"
  ((status == 0)) && grep -q '^command line: .*\\bin\\x64\\paperchk\.exe 3_Item ' "$output.unix" &&
    grep -qx 'decision: 1 Riprova' "$output.unix" &&
    grep -qE '^paperchk ended [0-9]+ ms after the completion flag, exit status 0$' "$output.unix"
}
check "tools/README.md's unattended line under Wine, paperchk found by the archive's layout" run_standin_line
grep -E '^(command line|decision|paperchk ended)' "$work/step.log" | cut -c1-160 | sed 's/^/consumer:   /'

run_msvc_example() {  # the MSVC-ABI example under Wine, "Riprova" pressed with real input
  local output=$work/msvc-example.out
  PAPERCHK_WINEPREFIX=$root/build/wineprefix-consumer scripts/with-xvfb.sh tests/consumer/run-under-wine.sh \
    build/win64/tests/consumer/consumer_press.exe Riprova "$output" \
    "$work/msvc-x64/src/driver_example.exe" "Z:${sdk//\//\\}\\bin\\x64\\paperchk.exe" "Z:${work//\//\\}\\msvc.bin"
  local status=$?
  tr -d '\r' <"$output" >"$output.unix"
  cat "$output.unix"
  ((status == 0)) && grep -qx "retry: printer read 1 time(s), completion flag written" "$output.unix"
}
check "x64 MSVC-ABI example under Wine, Riprova pressed" run_msvc_example
grep -E '^(press|retry|paperchk ended)' "$work/step.log" | sed 's/^/consumer:   /'

((failures == 0))
