#!/bin/bash
# readersim ctl against a running readersim run: usage, plugging, cards,
# status, exit statuses, and the socket's removal at the end.
# Usage: ctl_test.sh PATH/TO/readersim
set -u
readersim=$(realpath "$1")
export XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
unset READERSIM_CONTROL
failures=0

check() { # NAME EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected [$2], got [$3]"
        failures=$((failures + 1))
    else
        echo "ok: $1"
    fi
}

"$readersim" ctl --help | grep -q "^usage: readersim ctl"
check "ctl --help" 0 $?
"$readersim" run --help | grep -q "readersim ctl"
check "run --help mentions ctl" 0 $?

"$readersim" ctl status 2>/tmp/ctl_test.$$
check "no run: exit 3" 3 $?
check "no run: message" "readersim ctl: no virtual reader is running (start one with readersim run)" "$(cat /tmp/ctl_test.$$)"
rm -f /tmp/ctl_test.$$
"$readersim" ctl frobnicate 2>/dev/null
check "unknown command: exit 2" 2 $?

# Inside the run; every line prints "name=value" for the checks below.
output=$("$readersim" run --mouse -- sh -c '
    r="$0"
    echo "control=$READERSIM_CONTROL"
    "$r" ctl status >/dev/null; echo "status=$?"
    echo "reader=$("$r" ctl status | grep "^reader:")"
    echo "factory=$("$r" ctl status | grep "^factoryId=")"
    "$r" ctl unplug >/dev/null; echo "unplug=$?"
    echo "nodes-unplugged=$(ls /dev/hidraw* | wc -l)"
    echo "reader-after-unplug=$("$r" ctl status | grep "^reader:")"
    "$r" ctl plug >/dev/null; echo "plug=$?"
    echo "nodes-plugged=$(ls /dev/hidraw* | wc -l)"
    "$r" ctl unplug-mouse >/dev/null; echo "unplug-mouse=$?"
    echo "mouse=$("$r" ctl status | grep "^mouse:")"
    "$r" ctl plug-mouse >/dev/null; echo "plug-mouse=$?"
    echo "tap=$("$r" ctl tap 12ab00)"
    echo "card=$("$r" ctl status | grep "^card:")"
    "$r" ctl remove >/dev/null; echo "remove=$?"
    echo "card-removed=$("$r" ctl status | grep "^card:")"
    "$r" ctl tap 1 2>/dev/null; echo "bad-tap=$?"
    echo "explicit=$("$r" ctl --socket "$READERSIM_CONTROL" status | grep -c "^reader: plugged")"
    env -u READERSIM_CONTROL "$r" ctl status >/dev/null; echo "found=$?"
    "$r" ctl --socket /nonexistent/readersim.sock status 2>/dev/null; echo "wrong-socket=$?"
    echo "socket-exists=$(test -S "$READERSIM_CONTROL" && echo yes)"
' "$readersim" 2>&1)
check "run exit" 0 $?
value() { echo "$output" | sed -n "s/^$1=//p"; }

socket=$(value control)
check "socket in XDG_RUNTIME_DIR" "$XDG_RUNTIME_DIR" "$(dirname "$socket")"
check "socket named by PID" yes "$(basename "$socket" | grep -qE '^readersim-[0-9]+\.sock$' && echo yes)"
check "status" 0 "$(value status)"
check "reader plugged" "reader: plugged" "$(value reader)"
check "settings shown" "factoryId=10000" "$(value factory)"
check "unplug" 0 "$(value unplug)"
check "mouse node left" 1 "$(value nodes-unplugged)"
check "reader unplugged" "reader: unplugged" "$(value reader-after-unplug)"
check "plug" 0 "$(value plug)"
check "three nodes" 3 "$(value nodes-plugged)"
check "unplug-mouse" 0 "$(value unplug-mouse)"
check "mouse unplugged" "mouse: unplugged" "$(value mouse)"
check "plug-mouse" 0 "$(value plug-mouse)"
check "tap" "card 12AB00" "$(value tap)"
check "card shown" "card: 12AB00" "$(value card)"
check "remove" 0 "$(value remove)"
check "card gone" "card: none" "$(value card-removed)"
check "bad tap: exit 2" 2 "$(value bad-tap)"
check "--socket" 1 "$(value explicit)"
check "found without READERSIM_CONTROL" 0 "$(value found)"
check "wrong socket: exit 3" 3 "$(value wrong-socket)"
check "socket exists during the run" yes "$(value socket-exists)"
check "socket removed after the run" no "$(test -e "$socket" && echo yes || echo no)"

if [ "$failures" -ne 0 ]; then
    echo "$output"
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
