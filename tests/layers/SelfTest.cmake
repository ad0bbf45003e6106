# Runs cmake/CheckLayers.cmake on small trees that break the layers in one way
# each, and configures a small project whose targets hold sources their lists
# do not name; every case must fail with its message, the clean tree must
# pass.
#   cmake -DQV6_SOURCE=<repo root> -DQV6_WORK=<scratch folder> -P SelfTest.cmake
cmake_policy(SET CMP0007 NEW)

# The clean tree: two layers, a pure part, a program with a resource script
# that pulls in another and a generated data file.
set(clean_manifest [[
L|base||base/Text.h,base/Text.cpp,base/Handles.h,base/Win.cpp|
L|logic|base|logic/Scan.h,logic/Scan.cpp,logic/Table.hpp|
L|ui|base|ui/Form.h|
X|tool|logic,base|tools/Main.cpp,tools/tool.rc,tools/art.rc|tools/Key.inc
P|base/Text.h
P|base/Text.cpp
P|logic/Scan.h
P|logic/Table.hpp
]])
set(clean_files
    base/Text.h [[#pragma once
#include <string>]]
    base/Text.cpp [[#include "Text.h"
#include <immintrin.h>]]
    base/Handles.h [[#pragma once]]
    base/Win.cpp [[#include <windows.h>
#include "base/Handles.h"
#include "base/Text.h"]]
    logic/Scan.h [[#pragma once
#include <base/Text.h>
#include "Table.hpp"]]
    logic/Scan.cpp [[#include "logic/Scan.h"
#include "../base/Handles.h"
#include <windows.h>]]
    logic/Table.hpp [[#pragma once]]
    ui/Form.h [[#pragma once]]
    tools/Main.cpp [[#include "logic/Scan.h"
#include "Key.inc"]]
    tools/tool.rc [[#include <windows.h>
#include "art.rc"]]
    tools/art.rc [[#include "base/Text.h"]])

# case(<name> <message, empty: must pass> [<file> <line appended to it>]...)
set(cases "")
macro(case name expected)
  list(APPEND cases ${name})
  set(expected_${name} "${expected}")
  set(changes_${name} ${ARGN})
endmacro()
case(clean "")
case(wrong_way [[base/Text.cpp (base) includes logic/Scan.h of layer logic, which base may not use]]
     base/Text.cpp [[#include "logic/Scan.h"]])
case(angle_wrong_way [[base/Win.cpp (base) includes logic/Scan.h of layer logic, which base may not use]]
     base/Win.cpp [[#include <logic/Scan.h>]])
case(relative_wrong_way [[base/Win.cpp (base) includes logic/Scan.h of layer logic, which base may not use]]
     base/Win.cpp [[#include "../logic/Scan.h"]])
case(hpp_wrong_way [[base/Win.cpp (base) includes logic/Table.hpp of layer logic, which base may not use]]
     base/Win.cpp [[#  include "logic/Table.hpp" // a comment]])
case(rc_wrong_way [[tools/art.rc (tool) includes ui/Form.h of layer ui, which tool may not use]]
     tools/art.rc [[#include "ui/Form.h"]])
case(macro [[logic/Scan.cpp includes through a macro (#include SCAN_HEADER), which the check cannot follow]]
     logic/Scan.cpp [[#include SCAN_HEADER]])
case(macro_call [[tools/Main.cpp includes through a macro (#include PLATFORM(Scan)), which the check cannot follow]]
     tools/Main.cpp [[  #  include PLATFORM(Scan)]])
case(unlisted_header [[base/Win.cpp includes base/Extra.h, which no layer lists]]
     base/Extra.h [[#pragma once]] base/Win.cpp [[#include "base/Extra.h"]])
case(unlisted_source [[logic/Other.cc is a source of the tree that no layer or program lists]]
     logic/Other.cc [[int x;]])
case(missing_file [[logic/Scan.cpp includes "logic/Gone.h", which is no file of the tree]]
     logic/Scan.cpp [[#include "logic/Gone.h"]])
case(generated_of_another [[base/Win.cpp includes "Key.inc", which is no file of the tree]]
     base/Win.cpp [[#include "Key.inc"]])
case(platform_in_pure [[base/Text.cpp is pure code but includes the platform header <windows.h>]]
     base/Text.cpp [[#include <windows.h>]])
case(impure_in_pure [[base/Text.h is pure code but includes base/Handles.h, which is not]]
     base/Text.h [[#include <base/Handles.h>]])
case(missing_listed [[ui/Form.h (ui) is listed but does not exist]] ui/Form.h "")

function(write_tree dir)
  file(REMOVE_RECURSE ${dir})
  file(WRITE ${dir}/layers.manifest "${clean_manifest}")
  set(files ${clean_files})
  while(files)
    list(POP_FRONT files path text)
    file(WRITE ${dir}/${path} "${text}\n")
  endwhile()
endfunction()

set(passed 0)
set(failed 0)
foreach(name ${cases})
  set(dir ${QV6_WORK}/${name})
  write_tree(${dir})
  set(changes ${changes_${name}})
  while(changes)
    list(POP_FRONT changes path text)
    if("${text}" STREQUAL "")
      file(REMOVE ${dir}/${path})
    else()
      file(APPEND ${dir}/${path} "${text}\n")
    endif()
  endwhile()
  execute_process(COMMAND ${CMAKE_COMMAND} -DQV6_ROOT=${dir} -DQV6_MANIFEST=${dir}/layers.manifest
                          -P ${QV6_SOURCE}/cmake/CheckLayers.cmake
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  # A refusal must be the expected line of the check's list, not any error.
  string(FIND "${out}" " ${expected_${name}}\n" at)
  if((expected_${name} STREQUAL "" AND rc EQUAL 0) OR
     (NOT expected_${name} STREQUAL "" AND NOT rc EQUAL 0 AND NOT at EQUAL -1))
    math(EXPR passed "${passed} + 1")
  else()
    math(EXPR failed "${failed} + 1")
    message("FAIL ${name}: expected [${expected_${name}}], exit ${rc}:\n${out}")
  endif()
endforeach()

# Targets that hold a source their list does not name, added after the list
# and from another folder: configuring must name both.
set(dir ${QV6_WORK}/target_sources)
write_tree(${dir})
file(WRITE ${dir}/tools/Extra.cpp "int y;\n")
file(WRITE ${dir}/base/Extra.cpp "int z;\n")
file(WRITE ${dir}/CMakeLists.txt [[
cmake_minimum_required(VERSION 3.20)
project(layers_selftest CXX)
include(${QV6_SOURCE}/cmake/Layers.cmake)
qv6_layer(base SOURCES base/Text.h base/Text.cpp)
add_executable(tool)
qv6_program(tool USES base SOURCES tools/Main.cpp)
target_sources(tool PRIVATE tools/Extra.cpp)
qv6_layer_check_finish()
add_subdirectory(more)
]])
file(WRITE ${dir}/more/CMakeLists.txt "target_sources(qv6base PRIVATE ../base/Extra.cpp)\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${dir} -B ${dir}/build -DQV6_SOURCE=${QV6_SOURCE}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 AND out MATCHES "tool holds tools/Extra.cpp, which its list does not name"
   AND out MATCHES "qv6base holds base/Extra.cpp, which its list does not name")
  math(EXPR passed "${passed} + 1")
else()
  math(EXPR failed "${failed} + 1")
  message("FAIL target_sources: exit ${rc}:\n${out}")
endif()

message("layers self-test: ${passed} passed, ${failed} failed")
if(failed)
  message(FATAL_ERROR "the layer check let a fault through or refused the clean tree")
endif()
