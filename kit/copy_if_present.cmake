# cmake -DSOURCE=<file> -DDEST=<dir> -P copy_if_present.cmake
# Copies SOURCE into DEST when it exists; the release check reports it
# missing otherwise.
if(EXISTS "${SOURCE}")
  file(COPY "${SOURCE}" DESTINATION "${DEST}")
else()
  message(STATUS "Release kit: ${SOURCE} not built yet")
endif()
