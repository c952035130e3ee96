#!/usr/bin/env bash
# Runs a command on a private Xvfb server (a real X server, with XTest).
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib-xvfb.sh"
start_xvfb
QT_QPA_PLATFORM=xcb "$@"
