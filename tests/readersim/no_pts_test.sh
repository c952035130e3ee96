#!/bin/bash
# readersim run where no devpts is mounted on /dev/pts (as in a chroot that
# bound /dev without its submounts): a plain message and exit status 1, not
# umockdev's abort. Runs in a private mount namespace with a tmpfs over
# /dev/pts; skipped (77) where no such namespace can be made.
# Usage: no_pts_test.sh PATH/TO/readersim
set -u
readersim=$(realpath "$1")
namespace=(unshare --mount)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
if ! "${namespace[@]}" mount -t tmpfs none /dev/pts 2>/dev/null; then
    echo "skipped: no private mount namespace here"
    exit 77
fi
output=$("${namespace[@]}" sh -c 'mount -t tmpfs none /dev/pts && exec "$0" run -- true' "$readersim" 2>&1)
status=$?
echo "$output"
if [ "$status" -ne 1 ] || ! grep -q "^readersim: cannot open a pseudo-terminal.*/dev/pts" <<<"$output"; then
    echo "FAIL: expected exit status 1 and the message about /dev/pts, got $status"
    exit 1
fi
echo "ok: a plain message and exit status 1"
