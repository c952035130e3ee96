# Sourced by scripts: start_xvfb starts a private Xvfb server, exports its
# DISPLAY, and stops it when the script exits.
start_xvfb() {
  coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null; }
  local number
  read -r number <&"${XVFB[0]}"
  export DISPLAY=":$number"
  trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
}
