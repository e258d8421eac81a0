#!/usr/bin/env bash
# The game opens its 640 x 480 window with the game's caption and quits with
# status 0 on Escape.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"

launch "$PWD"
wait_window || fail "no window named '$TITLE'"
geometry=$(xwininfo -id "$window")
size=$(sed -n 's/^ *Width: *//p; s/^ *Height: *//p' <<<"$geometry" | paste -sd x)
[ "$size" = 640x480 ] || fail "window is $size, expected 640x480"
grep -q 'Map State: IsViewable' <<<"$geometry" || fail "window is not shown"
expect_quit
echo "PASS"
