#!/usr/bin/env bash
# The game opens its 640 x 480 window with the game's caption and quits with
# status 0 on Escape. Runs without game data: the window then stays black.
. "$(dirname "$0")/lib.sh"

start_game "$1"
wait_for_window

geometry=$(xwininfo -id "$game_window")
width=$(sed -n 's/^ *Width: *//p' <<<"$geometry")
height=$(sed -n 's/^ *Height: *//p' <<<"$geometry")
[ "$width" = 640 ] && [ "$height" = 480 ] || fail "window is ${width}x${height}, expected 640x480"
grep -q 'Map State: IsViewable' <<<"$geometry" || fail "window is not shown"

xdotool key --window "$game_window" Escape
expect_exit_status 0 "Escape"
echo "PASS"
