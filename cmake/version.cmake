# The version comes from project(paperchk VERSION ...) alone. Everything that
# shows it is generated from that at configure time, into one folder on every
# target's include path:
#   paperchk_version.h   macros for code and for the resource script
#   paperchk.exe.manifest  resources/paperchk.manifest with its version filled in
# The release's archive name and the SDK's CMake package version file take
# PROJECT_VERSION directly (scripts/release.sh, cmake/install.cmake).
foreach(part MAJOR MINOR PATCH TWEAK)
  if(NOT PROJECT_VERSION_${part})
    set(PROJECT_VERSION_${part} 0)
  endif()
endforeach()
# The text as written in project(); the four numbers of the version block.
set(PAPERCHK_VERSION_TEXT ${PROJECT_VERSION})
set(PAPERCHK_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK})

set(PAPERCHK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/paperchk_version.h.in ${PAPERCHK_GENERATED_DIR}/paperchk_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/paperchk.manifest ${PAPERCHK_GENERATED_DIR}/paperchk.exe.manifest @ONLY)
include_directories(${PAPERCHK_GENERATED_DIR})
