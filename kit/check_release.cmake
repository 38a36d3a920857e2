# quillet_check_release(<kit> <allow stand-ins>): stops packaging while the
# release kit lacks anything a user needs, or carries our stand-ins for the
# maker's files.
function(quillet_check_release kit allow_standins)
  set(problems)
  foreach(file Quillet.exe Driver/TZ415FilterInst.exe Tools/QuilletCheck32.exe
               Tools/QuilletCheck64.exe x86/Quillet32.exe x86/TZ415API.dll x86/SpiFlash.ini
               x64/Quillet64.exe x64/TZ415API.dll x64/SpiFlash.ini)
    if(NOT EXISTS "${kit}/${file}")
      list(APPEND problems "${file} is missing")
    endif()
  endforeach()
  foreach(arch x86 x64)
    file(GLOB images "${kit}/${arch}/Binfile/*.[Bb][Ii][Nn]")
    if(NOT images)
      list(APPEND problems "${arch}/Binfile holds no .BIN image")
    endif()
  endforeach()
  if(NOT allow_standins)
    foreach(file x86/TZ415API.dll x64/TZ415API.dll Driver/TZ415FilterInst.exe)
      if(EXISTS "${kit}/${file}")
        file(STRINGS "${kit}/${file}" marks REGEX "TZ415Sim: |i: install tz415filter, u: remove it")
        if(marks)
          list(APPEND problems "${file} is our stand-in, not the maker's")
        endif()
      endif()
    endforeach()
  endif()
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "The release kit ${kit} is not complete:\n  ${text}\n"
            "Build the win64 preset first (QUILLET_X64_UPDATER) and name the maker's "
            "files with -DQUILLET_MAKER_DIR=<folder> (kit/README.md).")
  endif()
endfunction()

# quillet_check_kit(<kit> <checker>): the kit checker over the laid-out
# tree. Its errors (an image that differs from its list, a hub setting that
# finds no image...) stop packaging; its warnings are shown and let pass.
function(quillet_check_kit kit checker)
  if(NOT EXISTS "${checker}")
    message(FATAL_ERROR "No kit checker at ${checker}: build the native preset first, or name "
                        "one with -DQUILLET_KIT_CHECKER=<QuilletCheck> (kit/README.md).")
  endif()
  execute_process(COMMAND "${checker}" "${kit}" RESULT_VARIABLE status OUTPUT_VARIABLE report
                  ERROR_VARIABLE problem)
  if(status EQUAL 0)
    string(REGEX MATCHALL "\n *warning [^\n]*" warnings "${report}")
    foreach(warning ${warnings})
      string(STRIP "${warning}" warning)
      message(WARNING "Kit check: ${warning}")
    endforeach()
    return()
  endif()
  message(FATAL_ERROR "The kit checker finds errors in ${kit} (status ${status}); "
                      "it is not packed:\n${report}${problem}")
endfunction()
