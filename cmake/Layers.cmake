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
# gives an executable its sources and records what it may include. Files
# listed under PURE are the code that takes plain data and gives plain data:
# they include no Windows or other platform header and only PURE headers of
# the project, so that they also build natively (the CTest test
# native_compile compiles each with the host's g++).
#
# The check runs as part of every build (CheckLayers.cmake) and fails it on a
# wrong-way include ("x" or <x>), on an include through a macro, on an include
# of a file that no layer lists, on a source of the tree that nothing lists
# and on a platform header in pure code. Configuring fails when a layer's or
# a program's target holds a source its list does not name.

# The manifest is kept in global properties, so that executables in
# subfolders can record themselves too.
set_property(GLOBAL PROPERTY QV6_LAYER_MANIFEST "")
set_property(GLOBAL PROPERTY QV6_LAYER_FILES "")
set_property(GLOBAL PROPERTY QV6_LAYER_TARGETS "")

function(qv6_record kind name uses files pure generated)
  list(JOIN uses "," uses_text)
  foreach(group files generated)
    set(paths "")
    foreach(f ${${group}})
      file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${f})
      list(APPEND paths ${rel})
    endforeach()
    set(${group}_paths ${paths})
    list(JOIN paths "," ${group}_text)
  endforeach()
  set_property(GLOBAL APPEND_STRING PROPERTY QV6_LAYER_MANIFEST
               "${kind}|${name}|${uses_text}|${files_text}|${generated_text}\n")
  foreach(p ${pure})
    set_property(GLOBAL APPEND_STRING PROPERTY QV6_LAYER_MANIFEST "P|${p}\n")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QV6_LAYER_FILES ${files_paths})
endfunction()

# What a target was made of: compared with its SOURCES when configuring ends.
function(qv6_expect_sources target)
  set(abs "")
  foreach(f ${ARGN})
    cmake_path(ABSOLUTE_PATH f BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    list(APPEND abs ${f})
  endforeach()
  list(SORT abs)
  set_property(GLOBAL APPEND PROPERTY QV6_LAYER_TARGETS ${target})
  set_property(GLOBAL PROPERTY QV6_SOURCES_${target} "${abs}")
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
  qv6_record(L ${name} "${L_USES}" "${L_SOURCES}" "${L_PURE}" "")
  qv6_expect_sources(qv6${name} ${cpp})
endfunction()

# qv6_program(<target> USES <layers...> SOURCES <files...> [INCLUDED <files...>]
#             [GENERATED <files...>]): the sources of an executable or library
# outside the layers, relative to the calling folder, checked against what it
# uses. The target is made without sources (add_executable(<target> WIN32))
# and gets exactly SOURCES here, resource scripts and .def files included;
# anything else added to it fails the configuration. INCLUDED are files its
# sources include that are not compiled on their own (a resource script
# pulled into another); GENERATED are data files the build makes that its
# sources include.
function(qv6_program name)
  cmake_parse_arguments(L "" "" "USES;SOURCES;INCLUDED;GENERATED" ${ARGN})
  target_sources(${name} PRIVATE ${L_SOURCES})
  qv6_record(X ${name} "${L_USES}" "${L_SOURCES};${L_INCLUDED}" "" "${L_GENERATED}")
  qv6_expect_sources(${name} ${L_SOURCES})
  add_dependencies(${name} qv6_layer_check)
endfunction()

# Fails the configuration when a layer or a program holds a source that its
# list does not name; runs when the top-level folder is done, after every
# target_sources() of any folder.
function(qv6_check_target_sources)
  get_property(targets GLOBAL PROPERTY QV6_LAYER_TARGETS)
  set(errors "")
  foreach(target ${targets})
    get_property(expected GLOBAL PROPERTY QV6_SOURCES_${target})
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    set(actual "")
    foreach(f ${sources})
      if(NOT f MATCHES "^\\$<")
        cmake_path(ABSOLUTE_PATH f BASE_DIRECTORY ${dir} NORMALIZE)
      endif()
      list(APPEND actual ${f})
    endforeach()
    list(SORT actual)
    if(NOT actual STREQUAL expected)
      set(extra ${actual})
      list(REMOVE_ITEM extra ${expected})
      set(missing ${expected})
      list(REMOVE_ITEM missing ${actual})
      foreach(f ${extra})
        if(NOT f MATCHES "^\\$<")
          file(RELATIVE_PATH f ${CMAKE_SOURCE_DIR} ${f})
        endif()
        list(APPEND errors "${target} holds ${f}, which its list does not name")
      endforeach()
      foreach(f ${missing})
        if(NOT f MATCHES "^\\$<")
          file(RELATIVE_PATH f ${CMAKE_SOURCE_DIR} ${f})
        endif()
        list(APPEND errors "${target} lacks ${f}, which its list names")
      endforeach()
    endif()
  endforeach()
  if(errors)
    list(JOIN errors "\n  " text)
    message(FATAL_ERROR "Targets whose sources differ from their lists:\n  ${text}")
  endif()
endfunction()

# Writes the manifest and the check that every layer library waits for. Call
# once, after every qv6_layer() and qv6_program().
function(qv6_layer_check_finish)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL qv6_check_target_sources)
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
