#!/bin/bash
# korvelctl once through each of its commands, as a user runs it, against
# the virtual reader of "readersim run": info, get, set, save and load, raw
# send and listen, watch --grab with a card tapped. Passes on the umockdev
# bus and on the kernel's (in the guest of "readersim vm").
# Usage: smoke.sh PATH/TO/readersim PATH/TO/korvelctl
set -u
export READERSIM=$(realpath "$1") KORVELCTL=$(realpath "$2")
export XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
unset READERSIM_CONTROL

"$READERSIM" run -- bash -c '
K=$KORVELCTL R=$READERSIM out=$XDG_RUNTIME_DIR/out passes=0 failures=0
check() { local name=$1; shift; if "$@"; then passes=$((passes + 1)); else echo "FAIL: $name"; failures=$((failures + 1)); fi; }
# Polls a condition for up to 30 s (the guest may be slow).
eventually() { local end=$((SECONDS + 30)); until eval "$1"; do [ $SECONDS -ge $end ] && return 1; sleep 0.05; done; }

check info "$K" info
check "info names the reader" bash -c "\"$K\" info | grep -qx \"product=USB RFID Reader Ver: 1.7\""
check "get" bash -c "\"$K\" get | grep -qx config-bits=0x0A"
check "set" bash -c "\"$K\" set digits decimal && \"$K\" get digits | grep -qx digits=decimal"
check save "$K" save "$XDG_RUNTIME_DIR/smoke.rfc"
"$K" set digits hexadecimal
check load bash -c "\"$K\" load \"$XDG_RUNTIME_DIR/smoke.rfc\" && \"$K\" get digits | grep -qx digits=decimal"

"$K" set device-mode advanced
check "raw send" "$K" raw send 0102FF
# The echo of that report came before this listener opened the node: on the
# kernel a new open starts with an empty queue. (The umockdev bus shares one
# queue among all openers: there the echo may still wait.)
[ "${READERSIM_BUS:-}" = kernel ] &&
  check "raw listen starts empty" bash -c "[ -z \"\$(\"$K\" raw listen --timeout 0.5)\" ]"
"$K" raw listen --count 1 --timeout 30 > "$out" &
listen=$!
# Sends until the listener, once it has the node open, prints an echo.
check "raw listen hears the echo" eventually "\"$K\" raw send 41 && [ -s \"$out\" ]"
wait $listen
"$K" set device-mode normal

# In the emulated guest the typing stalls at times for longer than the
# pause that ends a card.
gap=; [ "${READERSIM_BUS:-}" = kernel ] && gap="--gap 1"
"$K" watch --grab --count 1 $gap > "$out" &
watch=$!
check "watch holds the node" eventually "\"$R\" ctl status | grep -q \"^keyboard-input: .* grabbed$\""
"$R" ctl tap 12AB00 >/dev/null
check "watch prints the card" eventually "grep -qx 12AB00 \"$out\""
wait $watch
check "watch lets go" eventually "\"$R\" ctl status | grep -q \"^keyboard-input: .* free$\""

echo "$passes passed, $failures failed"
exit $failures
'
