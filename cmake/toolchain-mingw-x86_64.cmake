# The same sources for 64-bit Windows. Used only to run the Windows tests on
# machines whose kernel cannot execute 32-bit programs (and so not 32-bit Wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(PAPERCHK_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
