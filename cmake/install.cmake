# What `cmake --install` puts into a release (scripts/release.sh installs the
# win32 and the win64 build into one staging tree and packs it):
#   bin/<arch>/paperchk.exe     the program
#   tools/<arch>/standin.exe    the stand-in driver, to try paperchk before writing code
#   README.md, LICENSE, CHANGELOG.md
# <arch> is x86 or x64, the names Windows uses.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(PAPERCHK_ARCH x86)
else()
  set(PAPERCHK_ARCH x64)
endif()

install(TARGETS paperchk RUNTIME DESTINATION bin/${PAPERCHK_ARCH})
install(TARGETS standin RUNTIME DESTINATION tools/${PAPERCHK_ARCH})
install(FILES ${CMAKE_SOURCE_DIR}/release/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/CHANGELOG.md
        DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/tools/README.md DESTINATION tools)
