# A driver team's MSVC-ABI toolchain, played by clang-cl and lld-link with
# Wine's headers, for the consumer test's CMake project:
#   -DCMAKE_TOOLCHAIN_FILE=clang-cl-toolchain.cmake -DPAPERCHK_CONSUMER_TARGET=aarch64-pc-windows-msvc
#   -DPAPERCHK_CONSUMER_LIBS=FOLDER (kernel32.lib, user32.lib, ucrtbase.lib and msvc_start.obj)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER clang-cl-14)
set(CMAKE_C_COMPILER_TARGET ${PAPERCHK_CONSUMER_TARGET})
set(CMAKE_LINKER lld-link)
set(CMAKE_AR llvm-lib-14)
set(CMAKE_MT llvm-mt-14)
# Nothing links before the project names its libraries.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PAPERCHK_CONSUMER_TARGET PAPERCHK_CONSUMER_LIBS)
set(CMAKE_C_FLAGS_INIT "-imsvc /usr/include/wine/wine/msvcrt -imsvc /usr/include/wine/wine/windows")
set(CMAKE_EXE_LINKER_FLAGS_INIT "/nodefaultlib /manifest:no /entry:mainCRTStartup /libpath:${PAPERCHK_CONSUMER_LIBS}")
set(CMAKE_C_STANDARD_LIBRARIES "${PAPERCHK_CONSUMER_LIBS}/msvc_start.obj ucrtbase.lib" CACHE STRING "" FORCE)
