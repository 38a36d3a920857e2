# Run by cpack once CPack has made the ZIP (CPACK_POST_BUILD_SCRIPTS), before
# it copies it to the build folder: release_zip.py rewrites it so that one
# kit always gives the same bytes.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_QUILLET_PYTHON}" "${CPACK_QUILLET_RELEASE_ZIP}"
                          --epoch ${CPACK_QUILLET_SOURCE_DATE_EPOCH} "${package}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${package} could not be made the same from every build (status ${status})")
  endif()
endforeach()
