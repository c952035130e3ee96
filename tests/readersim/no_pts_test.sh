#!/bin/bash
# readersim run where no devpts is mounted on /dev/pts (as in a chroot that
# bound /dev without its submounts): a plain message and exit status 1, not
# umockdev's abort. Runs in a mount namespace of its own with a tmpfs over
# /dev/pts; skipped (77) where none can be made.
# Usage: no_pts_test.sh PATH/TO/readersim
set -u
readersim=$(realpath "$1")
# Propagation is left as it is (in a chroot "/" is no mount point, and
# unshare could not make it private); /dev is made private inside the
# namespace instead, so that the tmpfs never reaches the system's /dev/pts.
namespace=(unshare --mount --propagation unchanged)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
hide_pts='mount --make-rprivate /dev && mount -t tmpfs none /dev/pts'
if ! "${namespace[@]}" sh -c "$hide_pts" 2>/dev/null; then
    echo "skipped: no mount namespace of its own here"
    exit 77
fi
output=$("${namespace[@]}" sh -c "$hide_pts"' && exec "$0" run -- true' "$readersim" 2>&1)
status=$?
echo "$output"
if [ "$status" -ne 1 ] || ! grep -q "^readersim: cannot open a pseudo-terminal.*/dev/pts" <<<"$output"; then
    echo "FAIL: expected exit status 1 and the message about /dev/pts, got $status"
    exit 1
fi
echo "ok: a plain message and exit status 1"
