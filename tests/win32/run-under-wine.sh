#!/bin/sh
# Runs a Windows program under Wine: run-under-wine.sh WINE PROGRAM [ARG]...
# Its output goes through a file, so that the processes Wine starts on the
# side (the session's services, the desktop) hold that file and not the
# caller's output pipe, which CTest would wait on until they end.
wine=$1
shift
out=$(mktemp) || exit 1
"$wine" "$@" >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
