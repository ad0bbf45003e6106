# Delay-import libraries: a DLL linked through one is loaded on the first
# call of one of its functions instead of before WinMain. Under Wine every
# DLL the loader maps at start (with the DLLs it imports in turn) costs
# milliseconds, and shell32, comdlg32, ole32, oleaut32, ws2_32 and version
# serve only what the user asks for later: a file dialog, a link, the update
# check, a version column.
#
# qv6_delay_import_libs(<out> <dll>...) sets <out> to the list to link: for
# each DLL the delay-import library made from the toolchain's import library
# (every function it exports), followed by the plain import library, which
# still serves data exports and anything the delay library lacks. Without
# nm or dlltool it sets the plain libraries only.

find_program(QV6_NM NAMES ${TOOLCHAIN_PREFIX}-nm x86_64-w64-mingw32-nm)
find_program(QV6_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool x86_64-w64-mingw32-dlltool)

function(qv6_delay_import_libs out)
  set(libs "")
  set(dir ${CMAKE_BINARY_DIR}/delayimp)
  file(MAKE_DIRECTORY ${dir})
  foreach(dll ${ARGN})
    find_library(QV6_IMPLIB_${dll} NAMES lib${dll}.a ${dll})
    set(delay ${dir}/lib${dll}_delay.a)
    if(QV6_NM AND QV6_DLLTOOL AND QV6_IMPLIB_${dll} AND NOT EXISTS ${delay})
      execute_process(COMMAND ${QV6_NM} -g ${QV6_IMPLIB_${dll}}
                      OUTPUT_VARIABLE symbols ERROR_QUIET RESULT_VARIABLE nm_result)
      # Functions appear as text symbols of the import library.
      string(REGEX MATCHALL "[0-9a-fA-F]+ T [A-Za-z_][A-Za-z0-9_@?$]*" entries "${symbols}")
      set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
      set(seen "")
      foreach(e ${entries})
        string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${e}")
        if(NOT name IN_LIST seen)
          list(APPEND seen ${name})
          string(APPEND def "${name}\n")
        endif()
      endforeach()
      file(WRITE ${dir}/${dll}.def "${def}")
      if(nm_result EQUAL 0 AND seen)
        execute_process(COMMAND ${QV6_DLLTOOL} --input-def ${dir}/${dll}.def --dllname ${dll}.dll
                                --output-delaylib ${delay}
                        RESULT_VARIABLE tool_result ERROR_QUIET)
        if(NOT tool_result EQUAL 0)
          file(REMOVE ${delay})
        endif()
      endif()
    endif()
    if(EXISTS ${delay})
      list(APPEND libs ${delay})
    endif()
    list(APPEND libs ${dll})
  endforeach()
  set(${out} ${libs} PARENT_SCOPE)
endfunction()
