# What `cpack` does to the laid-out release kit before CPack zips it, in this
# order (kit/README.md):
#   1. the release checks: every file a user needs is there, none is our
#      stand-in, and the kit checker finds no error;
#   2. our programs are signed, when the packager names a key;
#   3. SHA256SUMS is written over the whole kit, signed programs included.
# Then CPack zips the kit, and release_zip.py makes the ZIP the same bytes
# from every build.
include(${CMAKE_CURRENT_LIST_DIR}/check_release.cmake)

# quillet_pack_release(<kit> <allow stand-ins> <checker> <python>)
function(quillet_pack_release kit allow_standins checker python)
  # A list left by an earlier packing describes a kit that may have changed
  # since: none is judged, and none is zipped unless this packing wrote it.
  file(REMOVE "${kit}/SHA256SUMS")
  quillet_check_release("${kit}" ${allow_standins})
  quillet_check_kit("${kit}" "${checker}")
  # Signing comes after the checks, which judge the kit as built, and before
  # the list, which must hold the programs' signed bytes.
  quillet_sign_release("${kit}" "${python}")
  quillet_write_kit_sums("${kit}")
endfunction()

# quillet_sign_release(<kit> <python>): sign.py signs our five programs in
# place, each verified, the maker's files never, when the packager names a
# key (docs/packaging.md); without one it says so and leaves the kit as it is.
function(quillet_sign_release kit python)
  execute_process(COMMAND "${python}" "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/sign.py" "${kit}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE done ERROR_VARIABLE why
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  # Its line begins with a space, which CMake keeps whole rather than wrap.
  if(NOT status EQUAL 0)
    message(FATAL_ERROR " ${why}")
  endif()
  message(STATUS "${done}")
endfunction()

# quillet_write_kit_sums(<kit>): <kit>/SHA256SUMS, the list of every file in
# the kit but itself, in sha256sum's text form (kit/README.md): "<64 lower-
# case hex digits>  <path from the kit's root, with />", LF, sorted by path
# byte by byte. Written under a temporary name first, then renamed, so a list
# half written is never taken for the list.
function(quillet_write_kit_sums kit)
  file(GLOB_RECURSE names LIST_DIRECTORIES false RELATIVE "${kit}" "${kit}/*")
  list(REMOVE_ITEM names SHA256SUMS SHA256SUMS.tmp)
  list(SORT names)
  set(text "")
  foreach(name IN LISTS names)
    # sha256sum would escape such a name; Windows, where the kit is
    # unpacked, allows none in a file name.
    if(name MATCHES "[\\\n\r]")
      message(FATAL_ERROR "${kit}/${name}: a name with a backslash or a line break cannot be "
                          "listed in SHA256SUMS")
    endif()
    file(SHA256 "${kit}/${name}" digest)
    string(APPEND text "${digest}  ${name}\n")
  endforeach()
  file(WRITE "${kit}/SHA256SUMS.tmp" "${text}")
  file(RENAME "${kit}/SHA256SUMS.tmp" "${kit}/SHA256SUMS")
  list(LENGTH names count)
  message(STATUS "${kit}/SHA256SUMS: ${count} files listed")
endfunction()
