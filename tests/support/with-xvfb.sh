#!/usr/bin/env bash
# Runs a command on a fresh virtual display and stops the display afterwards,
# whatever the command's outcome. Xvfb picks a free display number itself and
# does not reset between clients, so a client starting as another leaves still connects.
set -u
if [ $# -eq 0 ]; then
  echo "usage: with-xvfb.sh COMMAND [ARGS...]" >&2
  exit 2
fi

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset +extension GLX 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -f "$fifo"' EXIT

display=""
if ! read -r -t 20 display <"$fifo" || [ -z "$display" ]; then
  echo "with-xvfb.sh: Xvfb did not start" >&2
  exit 1
fi

DISPLAY=":$display" "$@"
