# cmake -DMAKER=<dir> -DKIT=<release kit> -DARCHES=x86,x64 -P add_maker_files.cmake
# Adds the hub controller maker's files to the release kit. MAKER mirrors the
# kit: Driver/ (the installer and whatever it needs), x86/ and x64/ (each
# TZ415API.dll of that bitness), Binfile/ (the images, for both updaters) and
# an optional SpiFlash.ini that replaces the template in both.
if(MAKER STREQUAL "")
  message(STATUS "Release kit: no QUILLET_MAKER_DIR, so no maker's files")
  return()
endif()
if(NOT IS_DIRECTORY "${MAKER}")
  message(FATAL_ERROR "QUILLET_MAKER_DIR ${MAKER} is not a folder")
endif()

string(REPLACE "," ";" ARCHES "${ARCHES}")

function(copy_contents from to)
  if(IS_DIRECTORY "${from}")
    file(GLOB entries "${from}/*")
    if(entries)
      file(COPY ${entries} DESTINATION "${to}")
    endif()
  endif()
endfunction()

copy_contents("${MAKER}/Driver" "${KIT}/Driver")
foreach(arch ${ARCHES})
  copy_contents("${MAKER}/${arch}" "${KIT}/${arch}")
  copy_contents("${MAKER}/Binfile" "${KIT}/${arch}/Binfile")
  if(EXISTS "${MAKER}/SpiFlash.ini")
    file(COPY_FILE "${MAKER}/SpiFlash.ini" "${KIT}/${arch}/SpiFlash.ini")
  endif()
endforeach()
