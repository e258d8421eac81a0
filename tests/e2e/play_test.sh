#!/usr/bin/env bash
# Play: "One Player" starts the game, the arrows move the ant and the camera
# follows, the head-up display sits in the lower right, F1 freezes the picture,
# and closing the window as a window manager does ends the game with status 0.
# The game repeats itself (its random numbers are never seeded), so three runs
# are compared at the same time after X: two without keys differ only by
# timing, one with Left held shows the field from elsewhere.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
[ -x "${SEND_WM_DELETE:-}" ] || fail "SEND_WM_DELETE does not name the close request helper"

run() {
    SETTLE=1 start_game
    tap x 0
    [ -z "$2" ] || hold "$2" 2.0
    sleep "${3:-0.8}"
    shot "$1"
}

run still1 "" 2.8 && expect_exit 0 Escape 10
run still2 "" 2.8 && expect_exit 0 Escape 10
run left Left
noise=$(difference still1 still2 640x300+0+0)
moved=$(difference still1 left 640x300+0+0)
check "$moved" '>' 0.03 || fail "Left did not move the view ($moved)"
check "$(awk -v m="$moved" 'BEGIN { print m / 2 }')" '>' "$noise" ||
    fail "Left moved the view no more than twice what timing does ($moved vs $noise)"

# "Ants: 9/10 / Kills: 0" in white in the lower right.
hud=$(bright left 505 335 135 100)
hud_left=$(bright left 0 335 135 100)
check "$hud" '>' 0.02 || fail "no head-up display in the lower right (bright $hud)"
check "$hud" '>' "$hud_left" || fail "the head-up display is not on the right ($hud vs $hud_left)"

# F1 freezes the picture; F1 again lets it go on, with the keys pressed meanwhile.
tap F1 0.5
shot paused1
hold Right 0.8
sleep 0.5
shot paused2
frozen=$(difference paused1 paused2)
check "$frozen" '<' 0.001 || fail "the picture changed while paused ($frozen)"
tap F1 0.2
hold Up 1.0
sleep 0.3
shot resumed
resumed=$(difference paused2 resumed 640x300+0+0)
check "$resumed" '>' 0.005 || fail "the game did not go on after F1 ($resumed)"

xprop -id "$window" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW ||
    fail "the window does not take the close request (WM_DELETE_WINDOW)"
"$SEND_WM_DELETE" "$window" || fail "could not send the close request"
expect_exit 0 "the close request"
echo "PASS: play (moved $moved, timing noise $noise, HUD $hud vs $hud_left," \
    "paused $frozen, resumed $resumed)"
