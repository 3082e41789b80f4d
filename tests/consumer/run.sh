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
#     the same program built by CMake under clang-cl on the archive's
#     lib/msvc/x64; and the MSVC-ABI example the same way, "Riprova" pressed;
#   - the archive's MSVC-ABI libraries hold x86, x64 and ARM64 code; the
#     sources and the example build for ARM64 (clang-cl, the Makefile), the
#     CMake project under clang-cl for x64 and ARM64 gets lib/msvc/<arch>,
#     and a mingw-w64 ARM64 configuration is refused in one sentence.
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
  bash scripts/msvc_libraries.sh "$work/staging" || return 1
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

# The tools of the MSVC-ABI builds below, as SDK.md's lines name them.
clang_cl=$(command -v clang-cl || command -v clang-cl-14 || echo clang-cl)
wine_include=/usr/include/wine/wine
wine_lib=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

# ARM64 and the archive's MSVC-ABI libraries (lib/msvc/). Nothing of Wine
# is built for ARM64 here, so the links take import libraries made from
# Wine's x64 export lists (llvm-dlltool) and the start-up of msvc_start.c;
# the machine types are read from the files (nothing runs them here).
machine_of() {  # the COFF machine(s) of an object, library or program
  llvm-objdump -f "$1" | sed -n 's/.*file format //p' | sort -u | tr '\n' ' ' | sed 's/ $//'
}
msvc_import_libs() {  # msvc_import_libs MACHINE FOLDER: kernel32, user32, ucrtbase and the start-up
  local machine=$1 out=$2 dll target=x86_64-pc-windows-msvc
  [[ $machine == arm64 ]] && target=aarch64-pc-windows-msvc
  mkdir -p "$out" || return 1
  for dll in kernel32 user32 ucrtbase; do
    { printf 'LIBRARY %s.dll\nEXPORTS\n' "$dll" && llvm-nm "$wine_lib/lib$dll.a" | sed -n 's/^[0-9a-f]* I __imp_//p' | sort -u; } \
      >"$out/$dll.def" && llvm-dlltool -m "$machine" -d "$out/$dll.def" -l "$out/$dll.lib" || return 1
  done
  "$clang_cl" --target=$target /nologo /O1 /W4 /WX -imsvc $wine_include/msvcrt -imsvc $wine_include/windows \
    /c /Fo"$out/msvc_start.obj" -- tests/consumer/msvc_start.c
}
prebuilt_msvc_libraries() {  # each of lib/msvc/ holds its target's code alone
  local arch expected
  for arch in x86 x64 arm64; do
    case $arch in x86) expected=coff-i386 ;; x64) expected=coff-x86-64 ;; arm64) expected=coff-arm64 ;; esac
    echo "msvc prebuilt $arch: $(machine_of "$sdk/lib/msvc/$arch/paperchk_client.lib"), $(stat -c %s "$sdk/lib/msvc/$arch/paperchk_client.lib") bytes"
    [[ $(machine_of "$sdk/lib/msvc/$arch/paperchk_client.lib") == "$expected" ]] || return 1
  done
}
check "the archive's MSVC-ABI libraries, x86, x64 and ARM64" prebuilt_msvc_libraries
grep -E '^msvc ' "$work/step.log" | sed 's/^/consumer:   /'
msvc_arm64_build() {  # the sources and the C example for ARM64 through the archive's Makefile
  local out=$work/msvc-arm64 libs=$work/import-arm64 file
  msvc_import_libs arm64 "$libs" && mkdir -p "$out" && cp -r "$sdk/include" "$sdk/src" "$sdk/example" "$out/" &&
    make -C "$out/src" all CC="$clang_cl --target=aarch64-pc-windows-msvc" AR="lld-link /lib" LD=lld-link \
      CPPFLAGS="-I. -I../include -D_InterlockedCompareExchange128=wine_InterlockedCompareExchange128 -imsvc $wine_include/msvcrt -imsvc $wine_include/windows" \
      CFLAGS="/nologo /O1 /W4 /WX" LDFLAGS="/nodefaultlib /entry:mainCRTStartup /machine:arm64 /libpath:$libs" \
      LDLIBS="$libs/msvc_start.obj ucrtbase.lib kernel32.lib user32.lib" || return 1
  for file in "$out"/src/*.obj "$out/src/paperchk_client.lib" "$out/src/driver_example.exe"; do
    [[ $(machine_of "$file") == coff-arm64 ]] || { echo "$file is $(machine_of "$file")"; return 1; }
  done
  echo "msvc arm64: objects and paperchk_client.lib ($(stat -c %s "$out/src/paperchk_client.lib") bytes) coff-arm64;" \
    "driver_example.exe $(stat -c %s "$out/src/driver_example.exe") bytes, architecture" \
    "$(llvm-objdump -f "$out/src/driver_example.exe" | sed -n 's/^architecture: //p')," \
    "imports: $(llvm-objdump -p "$out/src/driver_example.exe" | sed -n 's/^ *DLL Name: //p' | tr '\n' ' ')"
}
check "Makefile, ARM64 clang-cl (MSVC ABI), linked by lld-link" msvc_arm64_build
grep -E '^msvc ' "$work/step.log" | sed 's/^/consumer:   /'
msvc_cmake_project() {  # msvc_cmake_project ARCH: the CMake project under clang-cl finds its library and links
  local arch=$1 target=x86_64-pc-windows-msvc machine=i386:x86-64 expected=coff-x86-64
  [[ $arch == arm64 ]] && target=aarch64-pc-windows-msvc machine=arm64 expected=coff-arm64
  local out=$work/cmake-msvc-$arch libs=$work/import-cmake-$arch
  msvc_import_libs "$machine" "$libs" &&
    cmake -S tests/consumer/msvc_project -B "$out" -DCMAKE_TOOLCHAIN_FILE="$root/tests/consumer/clang-cl-toolchain.cmake" \
      -DPAPERCHK_CONSUMER_TARGET=$target -DPAPERCHK_CONSUMER_LIBS="$libs" -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DCMAKE_PREFIX_PATH="$sdk" &&
    cmake --build "$out" &&
    echo "msvc cmake $arch: package gave $(sed "s|$sdk/||" "$out/package_library.txt"); consumer_c.exe" \
      "$(stat -c %s "$out/consumer_c.exe") bytes, $(machine_of "$out/consumer_c.exe")" &&
    [[ $(cat "$out/package_library.txt") == "$sdk/lib/msvc/$arch/paperchk_client.lib" ]] &&
    [[ $(machine_of "$out/consumer_c.exe") == "$expected" ]]
}
check "CMake project under clang-cl, x64" msvc_cmake_project x64
grep -E '^msvc ' "$work/step.log" | sed 's/^/consumer:   /'
check "CMake project under clang-cl, ARM64" msvc_cmake_project arm64
grep -E '^msvc ' "$work/step.log" | sed 's/^/consumer:   /'
refused_arm64_mingw() {  # no mingw-w64 library for ARM64: the package says so in its sentence
  ! cmake -S tests/consumer/project -B "$work/cmake-arm64-mingw" -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER_TARGET=aarch64-w64-mingw32 \
    -DCMAKE_CXX_COMPILER_TARGET=aarch64-w64-mingw32 -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY \
    -DCMAKE_PREFIX_PATH="$sdk" &&
    grep -q "paperchk_client has no mingw-w64 library for ARM" "$work/step.log"
}
check "CMake package refuses a mingw-w64 ARM64 compiler, one sentence" refused_arm64_mingw

press_under_wine() {  # press_under_wine BUTTON PROGRAM NAME: the program, paperchk and NAME.bin; output in $work/NAME.out.unix
  local output=$work/$3.out
  PAPERCHK_WINEPREFIX=$root/build/wineprefix-consumer scripts/with-xvfb.sh tests/consumer/run-under-wine.sh \
    build/win64/tests/consumer/consumer_press.exe "$1" "$output" \
    "$2" "Z:${sdk//\//\\}\\bin\\x64\\paperchk.exe" "Z:${work//\//\\}\\$3.bin"
  local status=$?
  tr -d '\r' <"$output" >"$output.unix"
  cat "$output.unix"
  return $status
}
run_consumer() {  # the x64 C program under Wine, "Ignora" pressed with real input
  local output=$work/exchange.out.unix
  press_under_wine Ignora "$work/cmake-x64/consumer_c.exe" exchange &&
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

run_msvc_cmake_consumer() {  # the clang-cl CMake program, on the archive's lib/msvc/x64, "Ignora" pressed
  press_under_wine Ignora "$work/cmake-msvc-x64/consumer_c.exe" msvc-cmake &&
    grep -qx "decision: 2" "$work/msvc-cmake.out.unix" && grep -qx "ended: yes" "$work/msvc-cmake.out.unix"
}
check "x64 clang-cl CMake program (lib/msvc/x64) under Wine, Ignora pressed" run_msvc_cmake_consumer
grep -E '^(press|decision|ended): ' "$work/step.log" | sed 's/^/consumer:   /'

run_msvc_example() {  # the MSVC-ABI example under Wine, "Riprova" pressed with real input
  press_under_wine Riprova "$work/msvc-x64/src/driver_example.exe" msvc &&
    grep -qx "retry: printer read 1 time(s), completion flag written" "$work/msvc.out.unix"
}
check "x64 MSVC-ABI example under Wine, Riprova pressed" run_msvc_example
grep -E '^(press|retry|paperchk ended)' "$work/step.log" | sed 's/^/consumer:   /'

((failures == 0))
