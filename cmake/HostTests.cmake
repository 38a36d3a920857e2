# quillet_host_tests(<name> [SOURCES <file>...] [GLOB <pattern>...]
#                    [LIBS <target>...] [DEFINITIONS <NAME=value>...])
# A GoogleTest program of the host build, each of its tests a ctest test of
# its own. GLOB patterns are taken in the calling folder, so a new *_test.cpp
# joins its program without a CMake edit.
if(NOT WIN32)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(quillet_host_tests name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;GLOB;LIBS;DEFINITIONS")
  set(sources ${ARG_SOURCES})
  foreach(pattern ${ARG_GLOB})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    list(APPEND sources ${found})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  # Listing happens when ctest runs, not at build time, so a build never
  # runs a test program. A parametrised test is named by its name generator
  # alone, without gtest's "# GetParam() = ..." after it.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)
endfunction()
