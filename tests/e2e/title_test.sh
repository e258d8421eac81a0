#!/usr/bin/env bash
# The title screen in its 640 x 480 window with the game's caption: its 3D
# title and menu, the pointing ant following Up and Down, and "Exit" quitting
# with status 0.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"

start_game
size=$(xwininfo -id "$window" | sed -n 's/^ *Width: *//p; s/^ *Height: *//p' | paste -sd x)
[ "$size" = 640x480 ] || fail "window is $size, expected 640x480"
shot title
# The swaying title fills the upper middle; the menu sits on the right.
title_mean=$(mean title 120 30 400 170)
check "$title_mean" '>' 0.05 || fail "no title in the upper middle (mean $title_mean)"
menu=$(bright title 384 245 220 95)
menu_left=$(bright title 30 245 220 95)
check "$menu" '>' 0.02 || fail "no menu text on the right (bright $menu)"
check "$menu" '>' "$menu_left" || fail "the menu is not on the right ($menu vs $menu_left)"

# Down: the ant lowers its arm toward "Exit" (a slow build takes a while to
# show it); the menu text itself stays.
ant=260x140+90+250
tap Down 0.8
deadline=$((SECONDS + 8)) ant_moved=""
until shot exit_selected && ant_moved=$(difference title exit_selected $ant) &&
    check "$ant_moved" '>' 0.004; do
    [ $SECONDS -lt $deadline ] || break
    sleep 0.2
done
check "$ant_moved" '>' 0.004 || fail "the ant did not point down (difference $ant_moved)"
menu_changed=$(difference title exit_selected 220x95+384+245)
check "$menu_changed" '<' 0.01 || fail "the menu text changed ($menu_changed)"

# Up again: back to the first pose.
tap Up 1.5
shot one_player_again
back=$(difference title one_player_again $ant)
check "$back" '<' "$ant_moved" || fail "the ant did not point up again ($back vs $ant_moved)"

# X on "Exit" quits at once, with status 0.
tap Down 0.5
xdotool key x
expect_exit 0 "X on Exit" 5
echo "PASS: title screen (title $title_mean, menu $menu vs $menu_left, ant moved $ant_moved, back $back)"
