# Sourced by scripts: start_xvfb starts a private Xvfb server, exports its
# DISPLAY, and stops it when the script exits, after the EXIT trap the
# script had set before. add_exit_trap adds a command of its own the same way.

# Runs COMMAND at exit before what the EXIT trap ran so far.
add_exit_trap() {
  # `trap -p EXIT` prints "trap -- 'COMMAND' EXIT", quoted for the shell.
  local command=$1 previous
  previous=$(eval "set -- $(trap -p EXIT)"; echo "${3:-}")
  trap "$command${previous:+; $previous}" EXIT
}

start_xvfb() {
  coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null; }
  local number=""
  read -r number <&"${XVFB[0]}" || true
  if [ -z "$number" ]; then
    echo "error: Xvfb did not start (package xvfb)" >&2
    return 1
  fi
  export DISPLAY=":$number"
  add_exit_trap "kill $XVFB_PID 2>/dev/null || true"
}
