# The program's layers and the rule that holds them apart: a file of a layer
# includes only headers of its own layer and of the layers it may use.
#
#   base   text, files, handles, clock, the language file    uses nothing
#   logic  the domain: entries, scanner, deactivation,       uses base
#          database, CRC, processes, guard contract ...
#   ui     control wrappers, forms, the dialog seam          uses base
#   app    the windows of the program and its start-up       uses logic, ui, base
#
# qv6_layer() makes a static library of the listed sources; qv6_program()
# records what an executable may include. Files listed under PURE are the
# code that takes plain data and gives plain data: they include no Windows
# or other platform header and only PURE headers of the project, so that they
# also build natively for fuzzing.
#
# The check runs as part of every build (CheckLayers.cmake) and fails it on a
# wrong-way include, on an include of a header that no layer lists, and on a
# platform header in pure code.

# The manifest is kept in global properties, so that executables in
# subfolders can record themselves too.
set_property(GLOBAL PROPERTY QV6_LAYER_MANIFEST "")
set_property(GLOBAL PROPERTY QV6_LAYER_FILES "")

function(qv6_record kind name uses files pure)
  list(JOIN uses "," uses_text)
  set(paths "")
  foreach(f ${files})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${f})
    list(APPEND paths ${rel})
  endforeach()
  list(JOIN paths "," files_text)
  set_property(GLOBAL APPEND_STRING PROPERTY QV6_LAYER_MANIFEST "${kind}|${name}|${uses_text}|${files_text}\n")
  foreach(p ${pure})
    set_property(GLOBAL APPEND_STRING PROPERTY QV6_LAYER_MANIFEST "P|${p}\n")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QV6_LAYER_FILES ${paths})
endfunction()

# qv6_layer(<name> USES <layers...> SOURCES <files...> [PURE <files...>])
# Paths are relative to the source root. PURE files are part of SOURCES.
function(qv6_layer name)
  cmake_parse_arguments(L "" "" "USES;SOURCES;PURE" ${ARGN})
  set(cpp "")
  foreach(f ${L_SOURCES})
    if(f MATCHES "\\.(cpp|rc)$")
      list(APPEND cpp ${CMAKE_SOURCE_DIR}/${f})
    endif()
  endforeach()
  add_library(qv6${name} STATIC ${cpp})
  target_include_directories(qv6${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(qv6${name} PRIVATE ${QV6_WARNINGS})
  foreach(u ${L_USES})
    target_link_libraries(qv6${name} PUBLIC qv6${u})
  endforeach()
  add_dependencies(qv6${name} qv6_layer_check)
  qv6_record(L ${name} "${L_USES}" "${L_SOURCES}" "${L_PURE}")
endfunction()

# qv6_program(<target> USES <layers...> SOURCES <files...>): the sources of an
# executable or library outside the layers, relative to the calling folder,
# checked against what it uses.
function(qv6_program name)
  cmake_parse_arguments(L "" "" "USES;SOURCES" ${ARGN})
  qv6_record(X ${name} "${L_USES}" "${L_SOURCES}" "")
  add_dependencies(${name} qv6_layer_check)
endfunction()

# Writes the manifest and the check that every layer library waits for. Call
# once, after every qv6_layer() and qv6_program().
function(qv6_layer_check_finish)
  get_property(text GLOBAL PROPERTY QV6_LAYER_MANIFEST)
  get_property(files GLOBAL PROPERTY QV6_LAYER_FILES)
  set(manifest ${CMAKE_BINARY_DIR}/layers.manifest)
  file(WRITE ${manifest}.new "${text}")
  configure_file(${manifest}.new ${manifest} COPYONLY)
  set(deps "")
  foreach(f ${files})
    list(APPEND deps ${CMAKE_SOURCE_DIR}/${f})
  endforeach()
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/layers.checked
    COMMAND ${CMAKE_COMMAND} -DQV6_ROOT=${CMAKE_SOURCE_DIR} -DQV6_MANIFEST=${manifest}
            -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/layers.checked
    DEPENDS ${deps} ${manifest} ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake
    COMMENT "Checking that includes follow the layers"
    VERBATIM)
endfunction()

add_custom_target(qv6_layer_check DEPENDS ${CMAKE_BINARY_DIR}/layers.checked)
