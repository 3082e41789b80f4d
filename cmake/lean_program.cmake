# Windows programs that need no C++ library: no exceptions, no run-time type
# information, no unwind tables. Each function gets a section of its own, so
# that the linker drops what nothing calls; data does not, since this compiler
# then moves zero-initialised objects from .bss into .data, onto the disk.
set(PAPERCHK_LEAN_OPTIONS $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions$<SEMICOLON>-fno-rtti>
    -fno-asynchronous-unwind-tables -fno-unwind-tables -ffunction-sections)

# paperchk_lean_program(TARGET [LIBRARY...]): the program and the libraries
# it is built from get the options above; it is linked with section garbage
# collection and stripped.
function(paperchk_lean_program target)
  foreach(each ${target} ${ARGN})
    target_compile_options(${each} PRIVATE ${PAPERCHK_LEAN_OPTIONS})
  endforeach()
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
endfunction()
