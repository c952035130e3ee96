#!/bin/bash
# korvelctl watch inside readersim run, cards tapped with readersim ctl:
# three JSON lines for three taps under each configuration, with the grab
# held for the whole run and let go after it.
# Usage: watch_ctl_test.sh PATH/TO/readersim PATH/TO/korvelctl
set -u
export READERSIM=$(realpath "$1") KORVELCTL=$(realpath "$2")
export XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
unset READERSIM_CONTROL

"$READERSIM" run -- bash -c '
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Waits up to 20 s for a command to succeed.
waitfor() { for _ in $(seq 2000); do eval "$1" && return 0; sleep 0.01; done; fail "timed out: $1"; return 1; }
grab() { "$READERSIM" ctl status | grep -q "^keyboard-input: .* $1$"; }
out=$XDG_RUNTIME_DIR/watch.out
for config in "case upper" "case lower|enter on" "digits decimal|enter on" "prefix AB|sufix #!" \
              "manager-compatible on|enter on" "before Left Shift, Keyboard a|after Keyboard Tab|remove Right Alt, Keyboard x"; do
    "$KORVELCTL" load /dev/null >/dev/null 2>&1 # back to no reports
    "$KORVELCTL" set config-bits 0x0A; "$KORVELCTL" set prefix ""; "$KORVELCTL" set sufix ""
    IFS="|" read -ra settings <<< "$config"
    for s in "${settings[@]}"; do "$KORVELCTL" set "${s%% *}" "${s#* }" || fail "$config: set $s"; done
    "$KORVELCTL" watch --json --grab --count 3 > "$out" &
    watch=$!
    waitfor "grab grabbed"
    n=0
    for code in 12AB00 000007 E1020304; do
        "$READERSIM" ctl tap $code >/dev/null
        n=$((n + 1))
        waitfor "[ \$(wc -l < $out) -ge $n ]"
        [ $n -lt 3 ] && { grab grabbed || fail "$config: grab gone after $n cards"; }
        grep -q "\"code\": \"$code\"" "$out" || fail "$config: $code not printed: $(cat $out)"
        "$READERSIM" ctl remove >/dev/null
    done
    wait $watch || fail "$config: watch exit $?"
    grab free || fail "$config: grab kept after the run"
    echo "ok: $config"
done
exit $failures
'
status=$?
[ $status -eq 0 ] && echo "all checks passed" || echo "$status check(s) failed"
exit $status
