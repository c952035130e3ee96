# Reads the shared library's dynamic symbol table with nm (-DNM=...,
# -DLIBRARY=...): the library defines exactly the 25 functions of korvel.h
# there, and nothing else (no C++ symbol of its insides, whose names change
# with each compiler and would tie applications to them).
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE status
  ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed (${status}): ${errors}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/KorvelExports.cmake)

# Lines "ADDRESS TYPE NAME"; a versioned name ends in @VERSION or @@VERSION.
string(REGEX MATCHALL "[^\n]+" lines "${dump}")
set(found "")
set(unexpected "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) ([^ @]+)")
    continue()
  endif()
  set(type ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  list(APPEND found ${name})
  if(NOT name IN_LIST korvel_export_names)
    list(APPEND unexpected ${name})
  elseif(NOT type STREQUAL "T")
    message(FATAL_ERROR "${name} is exported as type ${type}, not as a function (T)")
  endif()
endforeach()
set(missing ${korvel_export_names})
if(found)
  list(REMOVE_ITEM missing ${found})
endif()
if(unexpected OR missing)
  message(FATAL_ERROR "the dynamic exports differ from the interface of korvel.h:\n"
    "  not exported: ${missing}\n  exported besides: ${unexpected}")
endif()
list(LENGTH found count)
message(STATUS "${count} exports, the functions of korvel.h only")
