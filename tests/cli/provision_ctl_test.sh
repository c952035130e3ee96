#!/bin/bash
# Setting up many readers inside readersim run, as a person at a desk does
# it: save a reader's configuration, see a change with diff, load it back,
# then provision three readers plugged in turn with readersim ctl plug
# --factory (the second refuses every write). Waits poll what can be
# observed (lines printed), never a fixed time.
# Usage: provision_ctl_test.sh PATH/TO/readersim PATH/TO/korvelctl
set -u
export READERSIM=$(realpath "$1") KORVELCTL=$(realpath "$2")
export XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
unset READERSIM_CONTROL

"$READERSIM" run -- bash -c '
cd "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if [ "$2" != "$3" ]; then fail "$1: expected [$2], got [$3]"; else echo "ok: $1"; fi; }
# Waits up to 30 s for a command to succeed.
waitfor() { for _ in $(seq 3000); do eval "$1" && return 0; sleep 0.01; done; fail "timed out: $1"; return 1; }
K=$KORVELCTL R=$READERSIM

$K save a.rfc; check "save" 0 $?
$K set digits decimal
out=$($K diff a.rfc); status=$?
check "diff after a change: exit" 6 $status
check "diff names digits with both values" "config-bits: file=0x0A reader=0x2A|digits: file=hexadecimal reader=decimal" "$(echo "$out" | tr "\n" "|" | sed "s/|$//")"
$K load a.rfc; check "load" 0 $?
out=$($K diff a.rfc); check "diff after load: exit" 0 $?
check "diff after load: nothing" "" "$out"

# readersim ctl plug with options: only while unplugged, checked first.
$R ctl plug --factory 5 2>/dev/null; check "plug --factory while plugged: exit" 1 $?
$R ctl plug --bogus 2>/dev/null; check "plug --bogus: exit" 2 $?

$K provision a.rfc --count 3 >provision.out 2>provision.err &
provision=$!
lines() { [ "$(wc -l < provision.out)" -ge "$1" ]; }
waitfor "lines 1"
$R ctl unplug >/dev/null
$R ctl plug --factory 20001 --date 25/01/02 --fail-writes >/dev/null; check "plug a failing reader" 0 $?
check "the new reader" "factoryId=20001" "$($R ctl status | grep ^factoryId=)"
waitfor "lines 2"
$R ctl unplug >/dev/null
$R ctl plug --factory 20002 >/dev/null
wait $provision; status=$?
check "provision exit (one failed)" 1 $status
mapfile -t line < provision.out
check "three lines" 3 "${#line[@]}"
check "first reader" "10000 2024-03-15 ok" "${line[0]-}"
case "${line[1]-}" in
    "20001 2025-01-02 RFID_SetConfigBits failed: "*"(written: nothing; not written: config-bits, before, after, remove)") echo "ok: second reader names the failure" ;;
    *) fail "second reader: ${line[1]-}" ;;
esac
check "third reader" "20002 2024-03-15 ok" "${line[2]-}"
check "summary" "korvelctl: 2 readers set up, 1 failed" "$(tail -n 1 provision.err)"
check "sounds: set up, failed, set up" "sound 0,sound 6,sound 0," "$($R ctl events | grep "^sound" | tr "\n" ",")"
out=$($K diff a.rfc); check "the last reader holds the file" 0 $?
exit $failures
'
status=$?
[ $status -eq 0 ] && echo "all checks passed" || echo "$status check(s) failed"
exit $status
