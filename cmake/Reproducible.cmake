# Two builds of one commit, in any two folders at any two times, give the
# same programs byte for byte (docs/release.md): anyone can rebuild a release
# and compare it, and antivirus and SmartScreen reputation, kept per digest,
# carries over from one build of a release to the next.
#
# QUILLET_SOURCE_DATE_EPOCH is the one time every stamp of a release takes:
# the caller's SOURCE_DATE_EPOCH, else the time of the commit the source is
# at, else (a source tree outside git) the time of its CMakeLists.txt, which
# the configure step then names.
function(_quillet_source_date_epoch out)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
    if(NOT epoch MATCHES "^[0-9]+$")
      message(FATAL_ERROR "SOURCE_DATE_EPOCH is '${epoch}', not a count of seconds")
    endif()
    message(STATUS "SOURCE_DATE_EPOCH ${epoch}, as given")
    set(${out} ${epoch} PARENT_SCOPE)
    return()
  endif()
  # Only a checkout of this tree counts: a source tree unpacked inside some
  # other repository would take that one's commit.
  execute_process(COMMAND git -C "${PROJECT_SOURCE_DIR}" rev-parse --show-toplevel
                  RESULT_VARIABLE status OUTPUT_VARIABLE top ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(REAL_PATH "${PROJECT_SOURCE_DIR}" source)
  if(status EQUAL 0)
    file(REAL_PATH "${top}" top)
    execute_process(COMMAND git -C "${PROJECT_SOURCE_DIR}" log -1 --format=%ct
                    RESULT_VARIABLE status OUTPUT_VARIABLE epoch ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  if(status EQUAL 0 AND top STREQUAL source AND epoch MATCHES "^[0-9]+$")
    message(STATUS "SOURCE_DATE_EPOCH ${epoch}, the time of the commit")
    # A new commit or checkout configures again, so the stamps follow it.
    execute_process(COMMAND git -C "${PROJECT_SOURCE_DIR}" rev-parse --git-path logs/HEAD
                    OUTPUT_VARIABLE log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    get_filename_component(log "${log}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}")
    if(EXISTS "${log}")
      set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${log}")
    endif()
    set(${out} ${epoch} PARENT_SCOPE)
    return()
  endif()
  file(TIMESTAMP "${PROJECT_SOURCE_DIR}/CMakeLists.txt" epoch "%s" UTC)
  file(TIMESTAMP "${PROJECT_SOURCE_DIR}/CMakeLists.txt" when "%Y-%m-%d %H:%M:%S UTC" UTC)
  message(NOTICE "SOURCE_DATE_EPOCH ${epoch} (${when}): neither given nor a git checkout, so "
                 "the time of CMakeLists.txt stamps this build; set SOURCE_DATE_EPOCH to choose")
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()
_quillet_source_date_epoch(QUILLET_SOURCE_DATE_EPOCH)

# The linker stamps the PE header with SOURCE_DATE_EPOCH when it is set, and
# with the link time otherwise.
set(QUILLET_STAMPED ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${QUILLET_SOURCE_DATE_EPOCH})
set(CMAKE_C_LINKER_LAUNCHER ${QUILLET_STAMPED})
set(CMAKE_CXX_LINKER_LAUNCHER ${QUILLET_STAMPED})

# No path of the build machine in an object: a source file is named from the
# source folder's root, and the build folder, where the compiler runs, is
# "." (its map last, as GCC takes the last map that fits, and it may lie
# inside the source folder). -g gives our own code the
# lines a crash from the field is read with; it changes no instruction, and
# the debug information leaves the shipped program (quillet_split_debug).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-g>")

# quillet_split_debug(<target>): as the program is linked, its debug
# information moves to <program>.debug beside it and the program keeps only
# a link to that file (its name and CRC), so every test runs on the program
# that ships. objcopy stamps what it writes with SOURCE_DATE_EPOCH too.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(_QUILLET_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
function(quillet_split_debug target)
  set(program $<TARGET_FILE_NAME:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${QUILLET_STAMPED} ${CMAKE_OBJCOPY} --only-keep-debug ${program} ${program}.debug
    COMMAND ${QUILLET_STAMPED} ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${program}.debug
            ${program}
    # Authenticode pads a program to a multiple of 8 bytes before its
    # signature, and the padding stays when the signature is removed: a
    # program padded so already comes back from that byte for byte.
    COMMAND ${Python3_EXECUTABLE} ${_QUILLET_CMAKE_DIR}/pad_program.py ${program}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
