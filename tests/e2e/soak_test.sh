#!/usr/bin/env bash
# A minute of scripted play (walking, turning, throwing) ends without a crash
# or a sanitizer report, and Escape still quits with status 0. The sanitizer
# build plays its minute in the long-play test instead, which also watches
# the memory.
. "$(dirname "$0")/play_lib.sh"

if session_sanitized "$FORMIK"; then
    echo "SKIP: the long-play test plays the sanitizer build"
    exit 77
fi
start_game
tap x 0.5
moves=(Up Left Down Right Up Right Down Left)
end=$((SECONDS + ${SOAK_SECONDS:-60}))
i=0
while [ $SECONDS -lt $end ]; do
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended during play"
    move=${moves[$((i % ${#moves[@]}))]}
    if [ $((i % 3)) -eq 0 ]; then
        xdotool keydown c keydown "$move"
        sleep 0.6
        xdotool keyup "$move" keyup c
    else
        hold "$move" 0.5
    fi
    tap x 0.2
    i=$((i + 1))
done
shot last
last=$(mean last 0 0 640 480)
check "$last" '>' 0.02 || fail "the picture went black ($last)"
xdotool key Escape
expect_exit 10
no_sanitizer_report
echo "PASS: a minute of play ($i rounds)"
