#!/usr/bin/env bash
# Runs a command on a virtual screen of its own. Xvfb picks a free display itself and names it
# only once it accepts connections, so a run never meets a server that is still starting, nor
# one that an earlier run is taking down on the same display number.
# Usage: on-virtual-screen.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]
set -euo pipefail

screen=$1
shift
log=$(mktemp)
coproc server { exec Xvfb -displayfd 1 -screen 0 "$screen" -nolisten tcp 2>"$log"; }
server_pid=$server_PID
trap 'kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; rm -f "$log"' EXIT

if ! read -r -t 30 display <&"${server[0]}"; then
  echo "on-virtual-screen: Xvfb did not start:" >&2
  cat "$log" >&2
  exit 1
fi
export DISPLAY=":$display"
status=0
"$@" || status=$?
exit "$status"
