# What `cmake --install` puts into a release (scripts/release.sh installs the
# win32 and the win64 build into one staging tree and packs it):
#   bin/<arch>/paperchk.exe     the program
#   tools/<arch>/standin.exe    the stand-in driver, to try paperchk before writing code
#   tools/<arch>/paperchk-selftest.exe  the end-to-end checks, to run on a user's Windows
#   README.md, LICENSE, CHANGELOG.md, THIRD-PARTY.md (what of others the programs link)
# <arch> is x86 or x64, the names Windows uses.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(PAPERCHK_ARCH x86)
else()
  set(PAPERCHK_ARCH x64)
endif()

install(TARGETS paperchk RUNTIME DESTINATION bin/${PAPERCHK_ARCH})
install(TARGETS standin paperchk_selftest RUNTIME DESTINATION tools/${PAPERCHK_ARCH})
install(FILES ${CMAKE_SOURCE_DIR}/release/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/CHANGELOG.md
              ${CMAKE_SOURCE_DIR}/THIRD-PARTY.md DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/tools/README.md DESTINATION tools)

# The driver's SDK: the client library (client/) as a team that does not use
# this repository needs it.
#   include/                      the public headers
#   lib/<arch>/                   the static library (mingw-w64)
#   lib/msvc/<arch>/              the same in the MSVC ABI, x86, x64 and arm64 (scripts/msvc_libraries.sh)
#   lib/cmake/paperchk_client/    the CMake package (one for both architectures)
#   src/                          the sources, with a standalone CMakeLists.txt and a Makefile
#   example/                      the C example and the INF fragment that ships paperchk.exe
# The client folder names its files: PAPERCHK_CLIENT_PUBLIC_HEADERS, and
# PAPERCHK_CLIENT_SOURCES (the sources and the private headers they include).
get_directory_property(client_public_headers DIRECTORY ${CMAKE_SOURCE_DIR}/client DEFINITION PAPERCHK_CLIENT_PUBLIC_HEADERS)
get_directory_property(client_sources DIRECTORY ${CMAKE_SOURCE_DIR}/client DEFINITION PAPERCHK_CLIENT_SOURCES)

install(TARGETS paperchk_client ARCHIVE DESTINATION lib/${PAPERCHK_ARCH})
install(FILES ${client_public_headers} DESTINATION include)
install(FILES ${CMAKE_SOURCE_DIR}/client/README.md DESTINATION . RENAME SDK.md)
install(FILES ${CMAKE_SOURCE_DIR}/client/example/driver_example.c
              ${CMAKE_SOURCE_DIR}/client/example/paperchk_fragment.inf DESTINATION example)

# The sources include each other and the public headers by plain name:
# src/ and include/ on the include path is all they need.
install(FILES ${client_sources} DESTINATION src)
set(PAPERCHK_CLIENT_COMPILED_NAMES "")
foreach(source ${client_sources})
  get_filename_component(name ${source} NAME)
  if(name MATCHES "\\.c$")
    list(APPEND PAPERCHK_CLIENT_COMPILED_NAMES ${name})
  endif()
endforeach()
list(JOIN PAPERCHK_CLIENT_COMPILED_NAMES " " PAPERCHK_CLIENT_MAKE_SOURCES)
list(JOIN PAPERCHK_CLIENT_COMPILED_NAMES "\n    " PAPERCHK_CLIENT_CMAKE_SOURCES)

set(sdk_in ${CMAKE_SOURCE_DIR}/release/sdk)
set(sdk_out ${CMAKE_BINARY_DIR}/sdk)
set(PAPERCHK_CLIENT_LIBRARY_FILE libpaperchk_client.a)
# lib/msvc/<arch>/: the MSVC-ABI libraries, which scripts/msvc_libraries.sh
# builds from the staging tree's src/ (clang-cl), after cmake --install.
set(PAPERCHK_CLIENT_MSVC_LIBRARY_FILE paperchk_client.lib)
set(PAPERCHK_CLIENT_SYSTEM_LIBRARIES kernel32 user32)
configure_file(${sdk_in}/paperchk_client-config.cmake.in ${sdk_out}/paperchk_client-config.cmake @ONLY)
configure_file(${sdk_in}/CMakeLists.txt.in ${sdk_out}/CMakeLists.txt @ONLY)
configure_file(${sdk_in}/Makefile.in ${sdk_out}/Makefile @ONLY)
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${sdk_out}/paperchk_client-config-version.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${sdk_out}/paperchk_client-config.cmake ${sdk_out}/paperchk_client-config-version.cmake
        DESTINATION lib/cmake/paperchk_client)
install(FILES ${sdk_out}/CMakeLists.txt ${sdk_out}/Makefile DESTINATION src)
