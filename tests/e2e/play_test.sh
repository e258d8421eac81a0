#!/usr/bin/env bash
# "One Player" starts the game: the field with the head-up display in the lower
# right, F1 freezing the picture, Escape quitting.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"

start_game
shot title
tap x 3
shot field
changed=$(difference title field)
check "$changed" '>' 0.03 || fail "X on One Player did not start the game ($changed)"

# "Ants: 9/10 / Kills: 0" in white in the lower right.
hud=$(bright field 505 335 135 100)
hud_left=$(bright field 0 335 135 100)
check "$hud" '>' 0.02 || fail "no head-up display in the lower right (bright $hud)"
check "$hud" '>' "$hud_left" || fail "the head-up display is not on the right ($hud vs $hud_left)"

# F1 freezes the picture; F1 again lets it go on.
tap F1 0.5
shot paused1
hold Right 0.8
sleep 0.5
shot paused2
frozen=$(difference paused1 paused2)
check "$frozen" '<' 0.001 || fail "the picture changed while paused ($frozen)"
tap F1 0.2
# Keys pressed while paused are seen once the game goes on.
hold Up 1.0
sleep 0.3
shot resumed
resumed=$(difference paused2 resumed 640x300+0+0)
check "$resumed" '>' 0.005 || fail "the game did not go on after F1 ($resumed)"

expect_quit 5
echo "PASS: play (start $changed, HUD $hud vs $hud_left, paused $frozen, resumed $resumed)"
