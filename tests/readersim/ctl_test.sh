#!/bin/bash
# readersim ctl and exec against a running readersim run: usage, plugging,
# cards, status, the event log, exit statuses, commands from a second
# terminal (exec) and their udev monitors, and the socket's removal at the
# end. Waits are reads with a deadline, never sleeps.
# Usage: ctl_test.sh PATH/TO/readersim PATH/TO/readersim_probe PATH/TO/README.md [PATH/TO/korvelctl]
set -u
readersim=$(realpath "$1")
probe=$(realpath "$2")
readme=$(realpath "$3")
korvelctl=${4:+$(realpath "$4")}
deadline=30 # seconds for anything to happen
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
"$readersim" exec -- true 2>/tmp/ctl_test.$$
check "exec, no run: exit 3" 3 $?
check "exec, no run: message" "readersim exec: no virtual reader is running (start one with readersim run)" "$(cat /tmp/ctl_test.$$)"
rm -f /tmp/ctl_test.$$
"$readersim" exec 2>/dev/null
check "exec without command: exit 2" 2 $?
"$readersim" ctl tap "$(printf '%044d' 0)" 2>/dev/null
check "tap of 22 bytes: exit 2" 2 $?

# Inside the run; every line prints "name=value" for the checks below.
output=$("$readersim" run --mouse -- sh -c '
    r="$0" p="$1"
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
    echo "tap-21=$("$r" ctl tap 0102030405060708090A0B0C0D0E0F101112131415)"
    echo "tap-22=$("$r" ctl tap 0102030405060708090A0B0C0D0E0F10111213141516 2>&1)"
    "$r" ctl unplug >/dev/null
    out=$("$r" ctl tap 12 2>&1); echo "tap-unplugged=$? $out"
    out=$("$r" ctl remove 2>&1); echo "remove-unplugged=$? $out"
    "$r" ctl plug >/dev/null
    "$r" ctl remove >/dev/null
    "$p" sound 6; echo "sound-sent=$?"
    "$r" ctl tap 12ab00 >/dev/null
    echo "events=$("$r" ctl events | grep -E "^(sound|typed|beep)" | tr "\n" ",")"
    echo "explicit=$("$r" ctl --socket "$READERSIM_CONTROL" status | grep -c "^reader: plugged")"
    env -u READERSIM_CONTROL "$r" ctl status >/dev/null; echo "found=$?"
    "$r" ctl --socket /nonexistent/readersim.sock status 2>/dev/null; echo "wrong-socket=$?"
    echo "socket-exists=$(test -S "$READERSIM_CONTROL" && echo yes)"
' "$readersim" "$probe" 2>&1)
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
check "tap of 21 bytes" "card 0102030405060708090A0B0C0D0E0F101112131415" "$(value tap-21)"
check "tap of 22 bytes refused" "readersim ctl: tap: the reader holds at most 21 code bytes (42 hex digits), got 22" "$(value tap-22)"
check "tap while unplugged fails" "1 readersim ctl: error: the reader is unplugged (plug it in first)" "$(value tap-unplugged)"
check "remove while unplugged fails" "1 readersim ctl: error: the reader is unplugged (plug it in first)" "$(value remove-unplugged)"
check "PlaySound sent" 0 "$(value sound-sent)"
check "event log" "typed 12AB00,beep,typed 0102030405060708090A0B0C0D0E0F101112131415,beep,sound 6,typed 12AB00,beep," "$(value events)"
check "--socket" 1 "$(value explicit)"
check "found without READERSIM_CONTROL" 0 "$(value found)"
check "wrong socket: exit 3" 3 "$(value wrong-socket)"
check "socket exists during the run" yes "$(value socket-exists)"
check "socket removed after the run" no "$(test -e "$socket" && echo yes || echo no)"

# A second terminal: commands started with exec join the running reader.
coproc RUN { exec "$readersim" run -- sh -c 'echo "ready $READERSIM_CONTROL"; read line'; }
read -t "$deadline" -r ready control <&"${RUN[0]}"
check "run started" ready "${ready:-}"
check "exec sees the testbed" "2 $control" \
    "$("$readersim" exec -- sh -c 'ls "$UMOCKDEV_DIR"/dev/hidraw* /dev/hidraw* | grep -c "^/dev"; echo "$READERSIM_CONTROL"' | tr '\n' ' ' | sed 's/ $//')"
check "exec with --socket" 0 "$("$readersim" exec --socket "$control" -- "$readersim" ctl status >/dev/null; echo $?)"
check "exec passes the exit status" 7 "$("$readersim" exec -- sh -c 'exit 7'; echo $?)"
check "exec of a missing program: exit 127" 127 "$("$readersim" exec -- /nonexistent/program 2>/dev/null; echo $?)"
check "exec keeps the caller's preloads" "libumockdev-preload.so.0 libreadersim-monitors.so libc.so.6" \
    "$(LD_PRELOAD=libc.so.6 "$readersim" exec -- sh -c 'echo "$LD_PRELOAD"' | tr ':' '\n' | xargs -n1 basename | tr '\n' ' ' | sed 's/ $//')"
if [ -n "$korvelctl" ]; then
    check "korvelctl get through exec" "keyboard=on" "$("$readersim" exec -- "$korvelctl" get keyboard)"
fi
# The README's walk-through: its commands for the reader run as written.
walkthrough=$(sed -n '/^## A first walk-through/,/^## The virtual reader/p' "$readme" |
    sed -n 's/^ *\(build\/plain\/readersim\/readersim \(ctl\|exec\) .*\)$/\1/p')
check "walk-through commands found" 4 "$(echo "$walkthrough" | grep -c .)"
while read -r line; do
    [ -z "$korvelctl" ] && [[ $line == *korvelctl* ]] && continue
    command=${line//build\/plain\/readersim\/readersim/$readersim}
    eval "${command//build\/plain\/cli\/korvelctl/$korvelctl}" >/dev/null
    check "walk-through: $line" 0 $?
done <<< "$walkthrough"
# Two monitors on the same descriptor number, in two processes: both hear
# the unplug (each hidraw node sends one "remove"). The second starts once
# the first listens, as a command started beside a running tool does (two
# monitors made in the very same instant can still race inside umockdev).
exec 5< <("$readersim" exec -- "$probe" monitor 2)
read -t "$deadline" -r first fd5 <&5
exec 6< <("$readersim" exec -- "$probe" monitor 2)
read -t "$deadline" -r second fd6 <&6
check "both monitors listen" "listening listening" "${first:-} ${second:-}"
check "on the same descriptor number" "${fd5:-5}" "${fd6:-6}"
"$readersim" ctl unplug >/dev/null
heard() { local line all=""; while read -t "$deadline" -r line <&"$1"; do all+="$line "; done; echo "$all"; }
check "the first monitor hears the unplug" "remove remove " "$(heard 5)"
check "the second monitor hears the unplug" "remove remove " "$(heard 6)"
exec 5<&- 6<&-
echo done >&"${RUN[1]}"
wait "$RUN_PID"
check "run with exec ends" 0 $?

if [ "$failures" -ne 0 ]; then
    echo "$output"
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
