#!/usr/bin/env bash
# A minute of scripted play (walking, turning, throwing) ends without a crash
# or a sanitizer report, and Escape still quits with status 0. The sanitizer
# build plays its minute in the long-play test, which also watches the memory.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"

sanitized "$formik" && { echo "SKIP: the long-play test plays the sanitizer build"; exit 77; }
start_game
tap x 0.5
moves=(Up Left Down Right Up Right Down Left)
end=$((SECONDS + ${SOAK_SECONDS:-60}))
i=0
while [ $SECONDS -lt $end ]; do
    alive || fail "the game ended during play"
    # Every third move turns while it walks.
    [ $((i % 3)) -eq 0 ] && key keydown c
    hold "${moves[i % ${#moves[@]}]}" 0.5
    key keyup c
    tap x 0.2
    i=$((i + 1))
done
shot last
last=$(mean last 0 0 640 480)
check "$last" '>' 0.02 || fail "the picture went black ($last)"
expect_quit 10
echo "PASS: a minute of play ($i rounds)"
