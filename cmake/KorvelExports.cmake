# The library's exported interface: the 25 functions of korvel.h, each with
# its ordinal in Korvel.dll (the twenty RFID_ configuration functions and
# the five RFID_RW_ functions of the raw channel). One list for every place
# that needs it: the version script of libkorvel.so.1, the check of the
# shared library's dynamic symbols and the check of the DLL's tables.
# Sets korvel_exports (NAME=ORDINAL entries) and korvel_export_names.
set(korvel_exports
  RFID_RW_AssignGetEvent=2 RFID_RW_GetRawData=3 RFID_RW_PutRawData=4 RFID_RW_DisconnectFromUSBReader=5
  RFID_RW_ConnectToUSBReader=6 RFID_GetCardCode=7 RFID_PlaySound=8 RFID_GetSufix=9 RFID_SetSufix=10
  RFID_GetPrefix=11 RFID_SetPrefix=12 RFID_GetEnable=13 RFID_SetEnable=14 RFID_GetDeviceMode=15
  RFID_SetDeviceMode=16 RFID_GetConfigBits=17 RFID_SetConfigBits=18 RFID_GetRemoveHidKeyboardReport=19
  RFID_SetRemoveHidKeyboardReport=20 RFID_GetAfterHidKeyboardReport=21 RFID_SetAfterHidKeyboardReport=22
  RFID_GetBeforeHidKeyboardReport=23 RFID_SetBeforeHidKeyboardReport=24 RFID_GetDeviceData=25
  RFID_OpenDevice=26)
set(korvel_export_names "")
foreach(entry IN LISTS korvel_exports)
  string(REGEX REPLACE "=.*" "" name "${entry}")
  list(APPEND korvel_export_names ${name})
endforeach()
