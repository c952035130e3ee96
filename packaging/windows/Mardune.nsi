; The Windows installer of Mardune, the USB RFID Configuration Tool, built
; with makensis on the build machine:
;   makensis -DVERSION=1.0.0 -DARCH=x86 -DEXE=Mardune.exe -DDLL=Korvel.dll
;            -DICON=Mardune.ico -DOUTFILE=Mardune-1.0.0-x86-setup.exe Mardune.nsi
; It installs Mardune.exe and Korvel.dll side by side (where the loader looks
; first), a Start-menu entry for every user, the .rfc file type opened by
; Mardune, and an uninstaller listed among the installed programs. Quiet
; with /S; /D=DIR chooses the folder.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"

!define PRODUCT "Mardune"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mardune"
!define FILE_TYPE "Korvel.RfcFile"

Name "Mardune ${VERSION}"
Caption "Mardune ${VERSION} Setup"
OutFile "${OUTFILE}"
!if "${ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\Mardune"
!else
  InstallDir "$PROGRAMFILES\Mardune"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Korvel Project"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Mardune"
VIAddVersionKey "FileDescription" "Mardune Setup"
VIAddVersionKey "CompanyName" "Korvel Project"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright Korvel Project"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Mardune.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Mardune"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Mardune.exe" "${EXE}"
  File "/oname=Korvel.dll" "${DLL}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortCut "$SMPROGRAMS\Mardune.lnk" "$INSTDIR\Mardune.exe" "" "$INSTDIR\Mardune.exe" 0 \
    SW_SHOWNORMAL "" "USB RFID Configuration Tool"

  ; .rfc files open in Mardune (the file named on the command line is
  ; loaded into the reader after a confirmation).
  WriteRegStr HKLM "Software\Classes\.rfc" "" "${FILE_TYPE}"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}" "" "RFID reader configuration"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\DefaultIcon" "" "$INSTDIR\Mardune.exe,0"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\shell\open\command" "" '"$INSTDIR\Mardune.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Mardune (USB RFID Configuration Tool)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Korvel Project"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Mardune.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Mardune.lnk"
  Delete "$INSTDIR\Mardune.exe"
  Delete "$INSTDIR\Korvel.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  ; The file type only while it is still Mardune's.
  ReadRegStr $0 HKLM "Software\Classes\.rfc" ""
  StrCmp $0 "${FILE_TYPE}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.rfc"
  DeleteRegKey HKLM "Software\Classes\${FILE_TYPE}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
