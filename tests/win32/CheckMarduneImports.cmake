# Reads Mardune.exe's import table with objdump (-DOBJDUMP=..., -DEXE=...):
# from Korvel.dll exactly the twenty configuration functions, each by name,
# and nothing of the raw channel (RFID_RW_); HidD_GetHidGuid from hid.dll;
# every other DLL one of the system's (no MinGW runtime DLLs).
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed: ${status}")
endif()

set(expected
  RFID_OpenDevice RFID_GetDeviceData RFID_GetConfigBits RFID_SetConfigBits RFID_GetEnable RFID_SetEnable
  RFID_PlaySound RFID_GetCardCode RFID_GetPrefix RFID_GetSufix RFID_SetPrefix RFID_SetSufix
  RFID_GetDeviceMode RFID_SetDeviceMode RFID_GetBeforeHidKeyboardReport RFID_SetBeforeHidKeyboardReport
  RFID_GetAfterHidKeyboardReport RFID_SetAfterHidKeyboardReport RFID_GetRemoveHidKeyboardReport
  RFID_SetRemoveHidKeyboardReport)

# One block per DLL: "DLL Name: X" and its "vma  hint  name" lines (a line
# without a name is an import by ordinal).
string(REPLACE "\n" ";" lines "${dump}")
set(dll "")
set(korvel "")
set(hid "")
set(dlls "")
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: *(.+)$")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    string(TOLOWER "${dll}" dll)
    list(APPEND dlls ${dll})
  elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+(.*)$")
    string(STRIP "${CMAKE_MATCH_1}" name)
    if(dll STREQUAL "korvel.dll")
      if(name STREQUAL "")
        message(FATAL_ERROR "imports from Korvel.dll by ordinal: ${line}")
      endif()
      list(APPEND korvel ${name})
    elseif(dll STREQUAL "hid.dll")
      list(APPEND hid ${name})
    endif()
  elseif(line STREQUAL "")
    # a blank line ends nothing: the next "DLL Name:" starts the next block
  endif()
endforeach()

list(SORT expected)
list(SORT korvel)
if(NOT korvel STREQUAL expected)
  message(FATAL_ERROR "imports from Korvel.dll differ:\n  found    ${korvel}\n  expected ${expected}")
endif()
if(NOT hid STREQUAL "HidD_GetHidGuid")
  message(FATAL_ERROR "imports from hid.dll: ${hid} (expected HidD_GetHidGuid)")
endif()
foreach(name IN LISTS dlls)
  if(NOT name MATCHES "^(korvel|kernel32|user32|gdi32|comctl32|comdlg32|shell32|msimg32|uxtheme|hid|msvcrt|api-ms-win-[a-z0-9-]+)\\.dll$")
    message(FATAL_ERROR "imports ${name}, which is neither Korvel.dll nor one of the system's DLLs")
  endif()
endforeach()
list(LENGTH korvel count)
message(STATUS "${count} functions from Korvel.dll by name, none of RFID_RW_; imports: ${dlls}")
