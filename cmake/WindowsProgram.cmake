include(${CMAKE_CURRENT_LIST_DIR}/Reproducible.cmake)

# Gives a Windows program of ours its version resource and manifest, and the
# form it ships in: stripped, its debug information in a file beside it.
function(quillet_windows_resources target description)
  set(QUILLET_RC_NAME ${target})
  set(QUILLET_RC_DESCRIPTION "${description}")
  set(QUILLET_MANIFEST "${PROJECT_SOURCE_DIR}/cmake/quillet.manifest")
  # The resource's version has four numbers; project() may give fewer.
  set(numbers)
  foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      list(APPEND numbers 0)
    else()
      list(APPEND numbers ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN numbers "," QUILLET_RC_VERSION)
  list(JOIN numbers "." QUILLET_RC_VERSION_TEXT)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  quillet_split_debug(${target})
endfunction()
