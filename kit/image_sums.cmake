# cmake -DBINFILE=<folder> -DMODE=write|seal -P image_sums.cmake
# Binfile\SHA256SUMS for the images in BINFILE, in the form `sha256sum -b`
# writes ("<hex> *<name>"), which both the updater and `sha256sum -c` read.
#   write: (re)writes the list from the images, for a kit whose images we
#          made ourselves (the demo kit);
#   seal:  writes one only where the maker delivered none. A maker's list is
#          left as it is: packaging must never bless a damaged image by
#          listing it afresh, and the kit checker that packaging runs judges
#          every image against it.
# Only this writer is here, and no reader: the Windows builds are cross
# builds, which have no checker of their own to run, and the list must be
# in the demo kit before any program of the kit runs. The checker's
# `--write-sums` writes the same lines (tests/e2e/test_image_list.py).
if(NOT IS_DIRECTORY "${BINFILE}")
  message(FATAL_ERROR "image_sums.cmake: ${BINFILE} is not a folder")
endif()
if(NOT MODE STREQUAL "write" AND NOT MODE STREQUAL "seal")
  message(FATAL_ERROR "image_sums.cmake: MODE is write or seal, not '${MODE}'")
endif()

# The images as the updater's "*.BIN" search finds them: any letter case.
file(GLOB images LIST_DIRECTORIES false RELATIVE "${BINFILE}" "${BINFILE}/*.[Bb][Ii][Nn]")
list(SORT images)
# The list itself, found the same way.
file(GLOB lists LIST_DIRECTORIES false RELATIVE "${BINFILE}"
     "${BINFILE}/[Ss][Hh][Aa]256[Ss][Uu][Mm][Ss]")

if(MODE STREQUAL "seal")
  # Which one the updater reads would be up to the file system the kit is
  # unpacked on; the checker, on this one, would judge only one of them.
  list(LENGTH lists count)
  if(count GREATER 1)
    message(FATAL_ERROR "${BINFILE} holds ${count} image lists (${lists}): which one counts is "
                        "up to the file system")
  elseif(lists)
    message(STATUS "${BINFILE}/${lists}: the maker's, kept for the kit checker to judge")
    return()
  elseif(NOT images)
    message(STATUS "${BINFILE}: no images, so no list")
    return()
  endif()
endif()

foreach(old ${lists})
  file(REMOVE "${BINFILE}/${old}")
endforeach()
set(text "")
foreach(name ${images})
  file(SHA256 "${BINFILE}/${name}" digest)
  string(APPEND text "${digest} *${name}\n")
endforeach()
# A list half written must never be taken for the list.
file(WRITE "${BINFILE}/SHA256SUMS.tmp" "${text}")
file(RENAME "${BINFILE}/SHA256SUMS.tmp" "${BINFILE}/SHA256SUMS")
list(LENGTH images count)
message(STATUS "${BINFILE}/SHA256SUMS: ${count} images listed")
