#!/usr/bin/env bash
# Sound through SDL's file-writing audio driver, set here as a test
# environment would (the game itself never chooses a driver): the title is
# silent until a menu key, the confirm key is heard, a throw is heard over the
# quiet ambience, F1's pause silences it all, nothing at all is mixed after M
# (and the head-up display marks it), and sound comes back after M again. One
# game run for all of it.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
audio=$work/mixed.raw
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$audio

# A sample louder than this is an event, not the ambience (generated at 8 % of
# full scale, events at 45 %).
EVENT_LEVEL=6000

# The offset of the next stereo 16-bit frame the mixer writes.
mark() { since=$(($(stat -c %s "$audio" 2>/dev/null || echo 0) / 4 * 4)); }
# The largest absolute sample written since the mark.
heard() {
    tail -c +$((since + 1)) "$audio" | od -An -v -td2 -w2 |
        awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }'
}
# Fails unless what was mixed since the mark is (not) above a level.
expect_heard() {
    local level
    level=$(heard)
    check "$level" "$2" "$3" || fail "$1: loudest sample $level, expected $2 $3"
}

start_game
[ -f "$audio" ] || fail "no audio was written to $audio (SDL_DISKAUDIOFILE)"
grep -q 'plays silently' "$log" && fail "the game did not open the disk audio device"
mark && sleep 1
expect_heard "the title before any key" -eq 0
mark && tap Down 0.6
expect_heard "menu move (Down)" '>' $EVENT_LEVEL
tap Up 0.6
mark && tap x 0.6
expect_heard "menu confirm (X)" '>' $EVENT_LEVEL
# The start key also throws; let that rock land before listening for another.
sleep 3
mark && tap x 1.5
expect_heard "a throw" '>' $EVENT_LEVEL
tap F1 0.3
mark && sleep 1
expect_heard "while paused" -eq 0
tap F1 0.3

tap m 0.5
shot muted
mark && tap x 1.5 && sleep 1
expect_heard "after M" -eq 0
tap m 0.5
shot unmuted
mark && sleep 1
expect_heard "the ambience after M again" '>' 0
mark && tap x 1.5
expect_heard "a throw after M again" '>' $EVENT_LEVEL
# The camera drifts between the two shots: the mark's corner must change more
# than the grass beside it.
marked=$(difference muted unmuted 120x50+0+420)
beside=$(difference muted unmuted 120x50+130+420)
check "$marked" '>' "$(awk -v b="$beside" 'BEGIN { print b + 0.03 }')" ||
    fail "no muted mark in the lower left (difference $marked, beside it $beside)"

expect_exit 0 Escape
