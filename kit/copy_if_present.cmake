# cmake -DSOURCE=<file> -DDEST=<dir> -P copy_if_present.cmake
# Copies SOURCE into DEST when it exists: a program of the other build, which
# may not be built yet. The release check reports it missing; the demo kit's
# test, an x64 folder without its programs.
if(EXISTS "${SOURCE}")
  file(COPY "${SOURCE}" DESTINATION "${DEST}")
else()
  message(STATUS "Kit: ${SOURCE} not built yet")
endif()
