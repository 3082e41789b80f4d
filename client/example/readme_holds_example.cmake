# client/README.md shows client/example/driver_example.c whole; this check
# (a ctest entry) fails when one of them changes without the other.
#   cmake -DREADME=... -DEXAMPLE=... -P readme_holds_example.cmake
file(READ ${README} readme)
file(READ ${EXAMPLE} example)
string(FIND "${readme}" "${example}" position)
if(position EQUAL -1)
  message(FATAL_ERROR "${README} does not show ${EXAMPLE} as it is")
endif()
