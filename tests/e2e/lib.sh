# What the end-to-end scripts share: run the real game on the display that
# with-xvfb.sh opened, play it with XTEST key events, grab and measure its
# window, and watch how it ends. Sourced by the *_test.sh scripts, which get
# the game binary as $1. Every wait has a deadline, and the game and the
# memory sampler never outlive the script that started them.
set -u

TIMEOUT=${E2E_TIMEOUT:-60}
# The title of the window to find (another program than the game sets its own).
TITLE=${TITLE:-Formik}
log="" pid="" window="" sampler="" status="" picture=""
escapes=0 frame_time=unmeasured frame_wait=60

stop_sampler() {
    [ -z "$sampler" ] || { kill "$sampler" 2>/dev/null; wait "$sampler" 2>/dev/null; }
    sampler=""
}

stop_game() {
    stop_sampler
    # SDL turns SIGTERM into a quit event, which a broken game may ignore.
    alive && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    pid=""
}

# Sets formik (the absolute path of $1), work (a scratch directory, removed at
# exit together with the game; KEEP_SHOTS=<dir> keeps a copy) and log.
e2e_init() {
    formik=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    work=$(mktemp -d)
    log=$work/game.log
    trap 'stop_game; [ -z "${KEEP_SHOTS:-}" ] || cp -r "$work" "$KEEP_SHOTS"; rm -rf "$work"' EXIT
}

fail() {
    echo "FAIL: $*"
    [ ! -f "$log" ] || { echo "--- game output" && tail -n 40 "$log"; }
    exit 1
}

alive() { [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; }

sanitized() {
    ldd "$1" 2>/dev/null | grep -q 'libasan' || nm -C "$1" 2>/dev/null | grep -q ' __asan_init'
}

# run_in DIR COMMAND...: runs COMMAND in DIR, its output into $log.
run_in() {
    (cd "$1" && exec "${@:2}") </dev/null >"$log" 2>&1 &
    pid=$! window=""
}

# launch DIR [WRAPPER...]: runs the game in DIR (which holds data/), under
# WRAPPER if given. Sanitizer builds preload the GL driver (see
# tests/CMakeLists.txt); the loader takes a list separated by colons.
launch() {
    local preload=${FORMIK_GAME_PRELOAD:-}
    run_in "$1" "${@:2}" env ${preload:+"LD_PRELOAD=${preload// /:}"} "$formik"
}

# Waits for the window and points into it (without a window manager the
# keyboard follows the pointer). Status 1: no window in time; 2: the game ended.
wait_window() {
    local deadline=$((SECONDS + ${1:-$TIMEOUT}))
    until window=$(xdotool search --onlyvisible --name "^$TITLE\$" 2>/dev/null | head -n 1) &&
        [ -n "$window" ]; do
        alive || return 2
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
    xdotool mousemove --window "$window" 320 240 2>/dev/null
}

# Waits until the window shows more than black: the game has loaded its data
# and draws frames, so keys pressed from now on are seen one frame at a time.
# Status 1 when nothing is drawn in time (a game without any data stays black).
wait_drawn() {
    local deadline=$((SECONDS + ${1:-$TIMEOUT})) lit
    while alive && [ "$SECONDS" -lt "$deadline" ]; do
        lit=$(import -silent -window "$window" -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null)
        check "${lit:-0}" '>' 0.01 && return 0
        sleep 0.2
    done
    return 1
}

# Starts the game in directory $1 (default: here), under the wrapper that may
# follow, waits for its first picture (seconds in a sanitizer build, more
# under strace) and lets it settle.
start_game() {
    launch "${1:-$PWD}" "${@:2}"
    wait_window 120 || fail "no window named '$TITLE'"
    wait_drawn || fail "the game drew no picture"
    sleep "${SETTLE:-1.5}"
}

# Waits up to $1 seconds for a picture other than the last one it saw.
wait_frame() {
    local deadline=$((SECONDS + $1)) now
    while alive; do
        now=$(import -silent -window "$window" -format '%#' info: 2>/dev/null)
        [ "$now" = "$picture" ] || { picture=$now && return 0; }
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
    return 1
}

# Times three new pictures after the next one: frame_time is their mean in
# seconds, frame_wait four of them rounded up, how long a new picture may take.
# A fresh game's camera eases after the player, so every frame differs.
measure_frame() {
    local start
    wait_frame 300 && wait_frame 300 && start=$EPOCHREALTIME || return 1
    wait_frame 300 && wait_frame 300 && wait_frame 300 || return 1
    frame_time=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", (b - a) / 3 }')
    frame_wait=$(awk -v t="$frame_time" 'BEGIN { print int(4 * t) + 1 }')
}

# One xdotool key action. SDL keeps at most 128 pending events and drops the
# rest: with paced set, each input waits for a new picture, so a slow build
# has only a few pending. A running game that shows none in time has frozen.
key() {
    xdotool "$1" "$2" 2>/dev/null
    [ -z "${paced:-}" ] || wait_frame "$frame_wait" || ! alive ||
        fail "the picture froze: nothing new within $frame_wait s after $1 $2"
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

# The scripted player: for $1 seconds walks with a random arrow for 0.1 to
# 0.8 s, now and then holding C to turn, and throws every other move on
# average. RANDOM is seeded with $2, so a seed repeats the same moves.
# Status 1 when the game ends on its own.
random_player() {
    local paced=1 arrows=(Up Down Left Right) end
    RANDOM=$2
    measure_frame || ! alive || fail "the picture froze: no five new pictures within 300 s each"
    end=$((SECONDS + $1))
    while [ "$SECONDS" -lt "$end" ]; do
        alive || return 1
        local arrow=${arrows[RANDOM % 4]} tenths=$((RANDOM % 8 + 1)) turn=$((RANDOM % 4 == 0))
        [ "$turn" -eq 0 ] || key keydown c
        hold "$arrow" "0.$tenths"
        [ "$turn" -eq 0 ] || key keyup c
        [ $((RANDOM % 2)) -eq 0 ] || tap x 0.05
    done
    alive
}

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
    ends_within "$1" || { stop_game && return 1; }
    wait "$pid"
    status=$? pid=""
}

# Presses Escape and waits up to $1 seconds for the end. Under valgrind a frame
# takes seconds and a press may be lost behind a full queue: $2 presses it
# again every $2 seconds. Counts the presses in escapes; status 1 when the game
# did not end in time.
quit() {
    local deadline=$((SECONDS + ${1:-$TIMEOUT})) every=${2:-${1:-$TIMEOUT}}
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

# Fails unless the game ends within $3 seconds (default TIMEOUT) after $2 with
# status $1 and without a sanitizer report; $2 Escape presses it first.
expect_exit() {
    if [ "$2" = Escape ]; then
        quit "${3:-$TIMEOUT}" || fail "the game did not quit on $escapes Escape press(es)"
    else
        wait_exit "${3:-$TIMEOUT}" || fail "the game still runs after $2"
    fi
    [ "$status" -eq "$1" ] || fail "the game exited with status $status after $2, expected $1"
    ! reports >/dev/null || fail "sanitizer report: $(reports | head -n 3)"
}

# Grabs the window into $work/$1.png.
shot() {
    import -window "$window" "$work/$1.png" 2>/dev/null || fail "could not grab the window"
}

# Mean brightness (0..1) of a region of a shot: name x y width height, in
# pixels from the top-left corner; bright: the fraction brighter than 0.8.
mean() {
    convert "$work/$1.png" -crop "$4x$5+$2+$3" +repage -colorspace Gray "${@:6}" -format '%[fx:mean]' info:
}
bright() { mean "$@" -threshold 80%; }

# Mean absolute difference (0..1) between two shots, over a region or the whole.
difference() {
    convert "$work/$1.png" "$work/$2.png" -crop "${3:-640x480+0+0}" +repage -compose difference \
        -composite -colorspace Gray -format '%[fx:mean]' info:
}

# True when awk finds $1 $2 $3 (for example 0.2 '>' 0.1). A side that is not
# a number is a measurement that failed (a missing shot, ImageMagick's error):
# the test fails, naming the check.
check() {
    local side line file
    for side in "$1" "$3"; do
        [[ $side =~ ^-?[0-9]+(\.[0-9]*)?([eE][-+]?[0-9]+)?$ ]] && continue
        read -r line file < <(caller)
        fail "not a number: '$side' in $(basename "$file") line $line:" \
            "$(sed -n "${line}s/^ *//p" "$file")"
    done
    awk -v a="$1" -v b="$3" "BEGIN { exit !(a $2 b) }"
}
