# The version comes from project(paperchk VERSION ...) alone. Everything that
# shows it is generated from that at configure time, into one folder on every
# target's include path:
#   paperchk_version.h   macros for code and for the resource script
#   paperchk.exe.manifest  resources/paperchk.manifest with its version filled in
# The release's archive name and the SDK's CMake package version file take
# PROJECT_VERSION directly (scripts/release.sh, cmake/install.cmake).
# client/paperchk_client.h writes it out, since a driver may copy that folder
# without a build (PAPERCHK_CLIENT_VERSION): configuring stops when it differs.
foreach(part MAJOR MINOR PATCH TWEAK)
  if(NOT PROJECT_VERSION_${part})
    set(PROJECT_VERSION_${part} 0)
  endif()
endforeach()
# The four numbers of the version block.
set(PAPERCHK_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK})

set(PAPERCHK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/paperchk_version.h.in ${PAPERCHK_GENERATED_DIR}/paperchk_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/paperchk.manifest ${PAPERCHK_GENERATED_DIR}/paperchk.exe.manifest @ONLY)
include_directories(${PAPERCHK_GENERATED_DIR})

file(STRINGS ${CMAKE_SOURCE_DIR}/client/paperchk_client.h client_version_line REGEX "^#define PAPERCHK_CLIENT_VERSION ")
if(NOT client_version_line STREQUAL "#define PAPERCHK_CLIENT_VERSION \"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "client/paperchk_client.h has '${client_version_line}', but the project's version is "
                      "${PROJECT_VERSION}: write it there too")
endif()
