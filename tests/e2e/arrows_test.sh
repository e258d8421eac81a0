#!/usr/bin/env bash
# The arrows move the ant and the camera follows. The game repeats itself (its
# random numbers are never seeded), so three runs are compared at the same time
# after the start: two without keys differ only by timing, one with Left held
# shows the field from elsewhere.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"

run() {
    SETTLE=1 start_game
    tap x 0
    if [ -n "$2" ]; then
        hold "$2" 2.0
        sleep 0.8
    else
        sleep 2.8
    fi
    shot "$1"
    expect_quit 10
}

run still1 ""
run still2 ""
run left Left
noise=$(difference still1 still2 640x300+0+0)
moved=$(difference still1 left 640x300+0+0)
check "$moved" '>' 0.03 || fail "Left did not move the view ($moved)"
check "$moved" '>' "$(awk -v n="$noise" 'BEGIN { print 2 * n }')" ||
    fail "Left moved the view no more than timing does ($moved vs $noise)"
echo "PASS: arrows (moved $moved, timing noise $noise)"
