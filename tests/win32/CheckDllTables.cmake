# Reads Korvel.dll's tables with objdump (-DOBJDUMP=..., -DDLL=...): the 25
# export names at their ordinals (so nothing at ordinal 1), and imports from
# the system's own DLLs only (no MinGW runtime DLLs).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed: ${status}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/KorvelExports.cmake)
set(expected ${korvel_exports})

# The name table: "[Ordinal/Name Pointer] Table" lines "[  i] name", where i
# counts from the ordinal base.
if(NOT dump MATCHES "Ordinal Base[ \t]+([0-9]+)")
  message(FATAL_ERROR "no export table")
endif()
set(base ${CMAKE_MATCH_1})
# Ordinals from 2 on, one address per name: ordinal 1 cannot be taken.
if(NOT base EQUAL 2 OR NOT dump MATCHES "Export Address Table[ \t]+00000019")
  message(FATAL_ERROR "the address table must hold ordinals 2 to 26 only (base ${base})")
endif()
string(REGEX REPLACE ".*\\[Ordinal/Name Pointer\\] Table\n" "" names_part "${dump}")
string(REGEX REPLACE "\n\n.*" "" names_part "${names_part}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_@0-9]+" rows "${names_part}")
set(found "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "\\[ *([0-9]+)\\] ([A-Za-z_@0-9]+)" "\\1;\\2" fields "${row}")
  list(GET fields 0 index)
  list(GET fields 1 name)
  math(EXPR ordinal "${base} + ${index}")
  list(APPEND found ${name}=${ordinal})
endforeach()
list(SORT expected)
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exports differ:\n  found    ${found}\n  expected ${expected}")
endif()
list(LENGTH found count)

# Every "DLL Name:" is one of the system's.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: *" "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" name)
  if(NOT name MATCHES "^(kernel32|user32|advapi32|setupapi|hid|msvcrt|api-ms-win-[a-z0-9-]+)\\.dll$")
    message(FATAL_ERROR "imports ${name}, which is not one of the system's DLLs")
  endif()
  list(APPEND names ${name})
endforeach()
message(STATUS "${count} exports at their ordinals; imports: ${names}")
