#!/bin/sh
# Mardune.exe against the virtual reader through Wine's HID stack, driven by
# mardune_driver.exe (window messages and control IDs), with the reader's
# state checked through "readersim ctl" between the scenarios. Runs inside
#   readersim run --no-input-node --state STATE --card 12AB00 -- test-mardune.sh ...
# (the reader without its keyboard input device: Wine's HID bus stops for
# good at the removal of an input device that has no node of its own, and
# then no unplug reaches a Windows program). A plug after the unplug is left
# out: Wine 8 misses the replugged reader now and then.
# on an X server, with Wine's X11 driver (scripts/test-win32 does all that),
# in the folder of Mardune.exe and Korvel.dll:
#   test-mardune.sh WINE WINESERVER READERSIM DRIVER WORKDIR
# STATE starts as test-mardune.state has it.
set -u
wine=$1
server=$2
readersim=$3
driver=$4
work=$5
failed=0

step() {
  "$wine" "$driver" "$@" </dev/null || failed=1
}
status() {
  "$readersim" ctl status
}
expect() { # what, the lines "readersim ctl status" must hold
  what=$1
  shift
  now=$(status)
  for line in "$@"; do
    if ! printf '%s\n' "$now" | grep -qxF -- "$line"; then
      echo "FAILED: $what: no \"$line\" in the reader's state:"
      printf '%s\n' "$now"
      failed=1
      return
    fi
  done
  echo "ok: $what"
}
windows_path() {
  "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'
}

# What a .rfc file holds of the state test-mardune.state starts with.
initial="confByte=0x2b|before=81 07 04 05 00 00 00 00|after=42 00 28 00 00 00 00 00|remove=10 00 e0 00 00 00 00 e7"
saved=$(windows_path "$work/saved")
bad=$work/bad.rfc
printf 'This is no configuration.\r\n' >"$bad"

"$server" -k 2>/dev/null
# The session's services (the HID bus among them) start here, not with the tool.
"$wine" wineboot </dev/null >/dev/null 2>&1
step start
step save "$saved" # the reader's settings as they are, into saved.rfc
step pages         # every page shows them; each Set writes new ones
IFS='|'
expect "the pages' Set" "confByte=0x10" "enable=0" "deviceMode=0" "before=40 07 1d 00 00 00 00 00" \
  "after=00 00 00 00 00 00 00 00" "remove=10 00 e0 00 00 00 00 00" "prefix=58 59 31 00 00 00" \
  "sufix=4c 4f 4e 47 53 55"
unset IFS
if "$readersim" ctl events | grep -qx "sound 14"; then echo "ok: Play Sound"; else echo "FAILED: no sound 14"; failed=1; fi
before=$(status)
step refuse "$(windows_path "$bad")"
if [ "$(status)" = "$before" ]; then echo "ok: nothing written from a bad file"; else echo "FAILED: a bad file wrote"; failed=1; fi
step open "$saved.rfc" # back to what was saved
IFS='|'
# shellcheck disable=SC2086
expect "the saved file loaded" $initial
unset IFS
step second
step notify
"$readersim" ctl unplug >/dev/null
step unplugged # and the removal notification the system would send
step exit
"$server" -k 2>/dev/null
exit $failed
