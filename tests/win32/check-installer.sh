#!/bin/sh
# The NSIS installer under Wine, quietly: check-installer.sh WINE SETUP.EXE
# It installs Mardune.exe and Korvel.dll into the folder given with /D, the
# Start-menu entry, the .rfc file type and the uninstaller's entry; the
# uninstaller takes all of them away again.
set -u
wine=$1
setup=$2
failed=0
check() { # what, command...
  what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}
contains() { # text pattern
  printf '%s' "$1" | grep -q -- "$2"
}
query() { # key [value]
  if [ $# -eq 2 ]; then "$wine" reg query "$1" /v "$2"; else "$wine" reg query "$1" /ve; fi 2>/dev/null | tr -d '\r'
}

dir=$("$wine" winepath -u 'C:\MarduneInstallTest' 2>/dev/null | tr -d '\r')
menu=$("$wine" winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs' 2>/dev/null | tr -d '\r')
rm -rf "$dir"

"$wine" "$setup" /S '/D=C:\MarduneInstallTest'
check "the installer ends with 0" test $? -eq 0
check "Mardune.exe installed" test -f "$dir/Mardune.exe"
check "Korvel.dll beside it" test -f "$dir/Korvel.dll"
check "the uninstaller" test -f "$dir/Uninstall.exe"
check "the Start-menu entry" test -f "$menu/Mardune.lnk"
check ".rfc is Mardune's file type" contains "$(query 'HKLM\Software\Classes\.rfc')" Korvel.RfcFile
check ".rfc files open in Mardune.exe" contains "$(query 'HKLM\Software\Classes\Korvel.RfcFile\shell\open\command')" \
  'MarduneInstallTest.Mardune.exe" "%1"'
check "listed among the installed programs" \
  contains "$(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mardune' UninstallString)" Uninstall.exe

# _? runs the uninstaller where it is, and waits for it.
"$wine" 'C:\MarduneInstallTest\Uninstall.exe' /S '_?=C:\MarduneInstallTest'
check "the uninstaller ends with 0" test $? -eq 0
check "Mardune.exe removed" test ! -e "$dir/Mardune.exe"
check "Korvel.dll removed" test ! -e "$dir/Korvel.dll"
check "the Start-menu entry removed" test ! -e "$menu/Mardune.lnk"
check "the file type removed" test -z "$(query 'HKLM\Software\Classes\Korvel.RfcFile')"
check "no longer listed" test -z "$(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mardune' DisplayName)"
rm -rf "$dir"
exit $failed
