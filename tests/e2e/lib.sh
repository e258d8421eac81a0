# What the end-to-end scripts share: run the real game (plain, under strace)
# on the display that with-xvfb.sh opened, play it with XTEST key events, grab
# and measure its window, and watch how it ends. Sourced by the *_test.sh
# scripts, which get the game binary as $1. Every wait has a deadline, and the
# game and the memory sampler never outlive the script that started them.
set -u

TIMEOUT=${E2E_TIMEOUT:-60}
# The title of the window to find (another program than the game sets its own).
TITLE=${TITLE:-Formik}
log=""
pid=""
window=""
sampler=""
status=""
escapes=0
picture=""
frame_time=unmeasured
frame_wait=60

stop_game() {
    if [ -n "$sampler" ]; then
        kill "$sampler" 2>/dev/null
        wait "$sampler" 2>/dev/null
        sampler=""
    fi
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        # SDL turns SIGTERM into a quit event, which a broken game may ignore.
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    pid=""
}

# Sets formik (the absolute path of $1), work (a scratch directory, removed at
# exit together with the game) and log (where the game's output goes).
e2e_init() {
    formik=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    work=$(mktemp -d)
    log=$work/game.log
    # KEEP_SHOTS=<dir> keeps the shots and the game's output for a look.
    trap 'stop_game; [ -z "${KEEP_SHOTS:-}" ] || cp -r "$work" "$KEEP_SHOTS"; rm -rf "$work"' EXIT
}

fail() {
    echo "FAIL: $*"
    if [ -f "$log" ]; then
        echo "--- game output"
        tail -n 40 "$log"
    fi
    exit 1
}

alive() { [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; }

# True when the binary carries AddressSanitizer.
sanitized() {
    ldd "$1" 2>/dev/null | grep -q 'libasan' || nm -C "$1" 2>/dev/null | grep -q ' __asan_init'
}

# run_in DIR COMMAND...: runs COMMAND in DIR, its output into $log.
run_in() {
    local dir=$1
    shift
    (cd "$dir" && exec "$@") </dev/null >"$log" 2>&1 &
    pid=$!
    window=""
}

# launch DIR [WRAPPER...]: runs the game in DIR (which holds data/), under
# WRAPPER if given. Sanitizer builds preload the GL driver (see
# tests/CMakeLists.txt); the loader takes a list separated by colons.
launch() {
    local dir=$1 preload=${FORMIK_GAME_PRELOAD:-}
    shift
    run_in "$dir" "$@" env ${preload:+"LD_PRELOAD=${preload// /:}"} "$formik"
}

find_window() {
    alive || return 2
    window=$(xdotool search --onlyvisible --name "^$TITLE\$" 2>/dev/null | head -n 1)
    [ -n "$window" ]
}

# Waits for the window and points into it (without a window manager the
# keyboard follows the pointer). Status 1: no window in time; 2: the game ended.
wait_window() {
    local deadline=$((SECONDS + ${1:-$TIMEOUT})) found
    while :; do
        find_window
        found=$?
        [ "$found" -eq 0 ] && break
        [ "$found" -eq 2 ] && return 2
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
    xdotool mousemove --window "$window" 320 240 2>/dev/null
    return 0
}

# True when the window shows more than a black picture.
window_lit() {
    local lit
    lit=$(import -silent -window "$window" -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null)
    awk -v m="${lit:-0}" 'BEGIN { exit !(m > 0.01) }'
}

# Waits until the window shows something other than black: the game has
# loaded its data and draws frames, so keys pressed from now on are seen one
# frame at a time (keys pressed while it loads all arrive in one frame).
# Status 1 when nothing is drawn in time: a game without any data stays black.
wait_drawn() {
    local deadline=$((SECONDS + ${1:-$TIMEOUT}))
    while alive && [ "$SECONDS" -lt "$deadline" ]; do
        window_lit && return 0
        sleep 0.2
    done
    return 1
}

# Starts the game in directory $1 (default: here), waits for its first
# picture (seconds in a sanitizer build) and lets it settle.
start_game() {
    launch "${1:-$PWD}"
    wait_window || fail "no window named '$TITLE'"
    wait_drawn || fail "the game drew no picture"
    sleep "${SETTLE:-1.5}"
}

# Waits up to $1 seconds (default 60) for a picture other than the last one
# it saw; status 1 when none came.
wait_frame() {
    local deadline=$((SECONDS + ${1:-60})) now
    while alive; do
        now=$(import -silent -window "$window" -format '%#' info: 2>/dev/null)
        if [ "$now" != "$picture" ]; then
            picture=$now
            return 0
        fi
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
    return 1
}

# Times three new pictures after the next one: sets frame_time to their mean
# in seconds and frame_wait to four of them rounded up to whole seconds, how
# long a new picture may take. While the title sways or a fresh game's camera
# eases after the player every frame differs; a still scene does not.
measure_frame() {
    local start i
    wait_frame 300 && wait_frame 300 || return 1
    start=$EPOCHREALTIME
    for i in 1 2 3; do
        wait_frame 300 || return 1
    done
    frame_time=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", (b - a) / 3 }')
    frame_wait=$(awk -v t="$frame_time" 'BEGIN { print int(4 * t) + 1 }')
}

# One xdotool key action. SDL keeps at most 128 pending events and drops the
# rest, which a slow build would not drain in time: with paced set, each
# input waits for a new picture (at most frame_wait seconds, as the scene may
# stand still), so only a few are ever pending.
key() {
    xdotool "$1" "$2" 2>/dev/null
    [ -z "${paced:-}" ] || wait_frame "$frame_wait"
}

# Holds a key (keysym names: Up, Down, Left, Right, x, c, F1, Escape) for $2 s.
hold() {
    key keydown "$1"
    sleep "$2"
    key keyup "$1"
}

# Taps a key, then waits $2 seconds (default 0.3).
tap() {
    hold "$1" 0.08
    sleep "${2:-0.3}"
}

# The scripted player: for the given seconds walks with a random arrow for 0.1
# to 0.8 s, now and then holding C to turn, and throws every other move on
# average; each input waits for the game. RANDOM is seeded, so a seed repeats
# the same moves. Status 1 when the game ends on its own.
random_player() {
    local seconds=$1 paced=1 arrows=(Up Down Left Right)
    RANDOM=$2
    measure_frame
    local end=$((SECONDS + seconds)) arrow tenths turn throw
    while [ "$SECONDS" -lt "$end" ]; do
        alive || return 1
        arrow=${arrows[RANDOM % 4]} tenths=$((RANDOM % 8 + 1))
        turn=$((RANDOM % 4 == 0)) throw=$((RANDOM % 2))
        [ "$turn" -eq 1 ] && key keydown c
        hold "$arrow" "0.$tenths"
        [ "$turn" -eq 1 ] && key keyup c
        [ "$throw" -eq 1 ] && tap x 0.05
    done
    alive
}

# Records "seconds-since-start resident-kB" once a second into $1 while the
# game runs.
sample_memory() {
    local game=$pid
    (
        start=$SECONDS
        while kill -0 "$game" 2>/dev/null; do
            rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$game/status" 2>/dev/null)
            [ -n "$rss" ] && echo "$((SECONDS - start)) $rss"
            sleep 1
        done
    ) >"$1" &
    sampler=$!
}

# True when the game ends within $1 seconds.
ends_within() {
    local deadline=$((SECONDS + $1))
    while alive; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# Waits $1 seconds for the end and leaves the exit status in status; status 1
# when the game still runs (it is then killed).
wait_exit() {
    if ! ends_within "$1"; then
        stop_game
        return 1
    fi
    wait "$pid"
    status=$?
    pid=""
}

# Presses Escape and waits up to $1 seconds for the game to end, pressing it
# again every $2 seconds (default 30): a slow build may still have been
# behind. Counts the presses in escapes; status 1 when it did not end in time.
quit() {
    local deadline=$((SECONDS + ${1:-$TIMEOUT})) every=${2:-30}
    escapes=0
    while alive && [ "$SECONDS" -lt "$deadline" ]; do
        xdotool key Escape 2>/dev/null
        escapes=$((escapes + 1))
        ends_within $((deadline - SECONDS < every ? deadline - SECONDS : every))
    done
    wait_exit 0
}

# Lines of a sanitizer report in the log, if any.
reports() {
    grep -E 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: (Address|Leak|Undefined)' \
        "$log"
}

# Fails unless the game ended with status $1 (after $2) without a sanitizer report.
ended_with() {
    [ "$status" -eq "$1" ] || fail "the game exited with status $status after $2, expected $1"
    ! reports >/dev/null || fail "sanitizer report: $(reports | head -n 3)"
}

# Fails unless the game ends within $3 seconds (default TIMEOUT) after $2 with
# status $1 and without a sanitizer report.
expect_exit() {
    wait_exit "${3:-$TIMEOUT}" || fail "the game still runs after $2"
    ended_with "$1" "$2"
}

# Escape ends the game cleanly within $1 seconds.
expect_quit() {
    quit "${1:-$TIMEOUT}" || fail "the game did not quit on $escapes Escape press(es)"
    ended_with 0 Escape
}

# Grabs the window into $work/$1.png.
shot() {
    import -window "$window" "$work/$1.png" 2>/dev/null || fail "could not grab the window"
}

# Mean brightness (0..1) of a region of a shot: name x y width height, in
# pixels from the top-left corner.
mean() {
    convert "$work/$1.png" -crop "$4x$5+$2+$3" +repage -colorspace Gray -format '%[fx:mean]' info:
}

# Fraction of pixels brighter than 0.8 in a region: name x y width height.
bright() {
    convert "$work/$1.png" -crop "$4x$5+$2+$3" +repage -colorspace Gray -threshold 80% \
        -format '%[fx:mean]' info:
}

# Mean absolute difference (0..1) between two shots, over a region or the whole.
difference() {
    convert "$work/$1.png" "$work/$2.png" -crop "${3:-640x480+0+0}" +repage -compose difference \
        -composite -colorspace Gray -format '%[fx:mean]' info:
}

# Shoots $2 until its region $3 differs from shot $1 by more than $4, for at most
# $5 seconds (a slow sanitizer build may take a while to show the change), and
# prints the last difference.
shot_until_changed() {
    local deadline=$((SECONDS + $5)) diff
    while :; do
        shot "$2"
        diff=$(difference "$1" "$2" "$3")
        if check "$diff" '>' "$4" || [ $SECONDS -ge "$deadline" ]; then
            echo "$diff"
            return
        fi
        sleep 0.2
    done
}

# True when awk finds $1 $2 $3 (for example 0.2 '>' 0.1).
check() {
    awk -v a="$1" -v b="$3" "BEGIN { exit !(a $2 b) }"
}
