#!/usr/bin/env bash
# Closing the window as a window manager does (WM_DELETE_WINDOW) ends the game
# with status 0. SEND_WM_DELETE names the helper that sends the request.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"

[ -x "${SEND_WM_DELETE:-}" ] || fail "SEND_WM_DELETE does not name the request helper"
launch "$PWD"
wait_window || fail "no window named '$TITLE'"
"$SEND_WM_DELETE" "$window" || fail "could not send the close request"
expect_exit 0 "the close request"
echo "PASS"
