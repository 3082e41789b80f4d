# Adds the sources of the calling subsystem folder: portable *.cpp go into
# the core; *_win32.cpp (Windows) or *_posix.cpp (hosts) are the platform's
# side and go into paperchk_native.
function(paperchk_add_subsystem_sources)
  file(GLOB portable CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER portable EXCLUDE REGEX "_(win32|posix)\\.cpp$")
  target_sources(paperchk_core PRIVATE ${portable})
  if(WIN32)
    file(GLOB native CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_win32.cpp)
  else()
    file(GLOB native CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_posix.cpp)
  endif()
  target_sources(paperchk_native PRIVATE ${native})
endfunction()
