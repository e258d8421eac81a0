#!/usr/bin/env bash
# Closing the window as a window manager does (WM_DELETE_WINDOW) ends the game
# with status 0. SEND_WM_DELETE names the helper that sends the request.
. "$(dirname "$0")/lib.sh"

[ -x "${SEND_WM_DELETE:-}" ] || fail "SEND_WM_DELETE does not name the request helper"
start_game "$1"
wait_for_window

"$SEND_WM_DELETE" "$game_window" || fail "could not send the close request"
expect_exit_status 0 "the close request"
echo "PASS"
