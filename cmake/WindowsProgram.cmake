# Gives a Windows program of ours its version resource and manifest.
function(quillet_windows_resources target description)
  set(QUILLET_RC_NAME ${target})
  set(QUILLET_RC_DESCRIPTION "${description}")
  set(QUILLET_MANIFEST "${PROJECT_SOURCE_DIR}/cmake/quillet.manifest")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
