# Shared helpers of the end-to-end tests: start the real game on the display
# that with-xvfb.sh opened, press keys, grab the window and measure regions.
# Sourced by the *_test.sh scripts, which get the formik binary as $1.
set -u

FORMIK=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
WORK=$(mktemp -d)
GAME_PID=""
WINDOW=""
LOG="$WORK/formik.log"

cleanup() {
    if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then
        kill "$GAME_PID" 2>/dev/null
        wait "$GAME_PID" 2>/dev/null
    fi
    # KEEP_SHOTS=<dir> keeps the shots and the game's output for a look.
    if [ -n "${KEEP_SHOTS:-}" ]; then
        cp -r "$WORK" "$KEEP_SHOTS"
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    if [ -f "$LOG" ]; then
        echo "--- game output"
        tail -n 40 "$LOG"
    fi
    exit 1
}

# Starts the game in directory $1 (which holds data/) and waits for its window.
start_game() {
    local dir=${1:-$PWD}
    # FORMIK_GAME_PRELOAD: set by sanitizer builds, see tests/CMakeLists.txt.
    (cd "$dir" && exec env ${FORMIK_GAME_PRELOAD:+"LD_PRELOAD=$FORMIK_GAME_PRELOAD"} "$FORMIK") \
        >"$LOG" 2>&1 &
    GAME_PID=$!
    for _ in $(seq 1 100); do
        WINDOW=$(xdotool search --onlyvisible --name '^Formik$' 2>/dev/null | head -n 1)
        [ -n "$WINDOW" ] && break
        kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before showing its window"
        sleep 0.1
    done
    [ -n "$WINDOW" ] || fail "no game window appeared"
    # Without a window manager the keyboard follows the pointer.
    xdotool mousemove --window "$WINDOW" 320 240
    sleep "${SETTLE:-1.5}"
}

# Taps a key (keysym names: Up, Down, Left, Right, x, c, F1, Escape).
tap() {
    xdotool keydown "$1"
    sleep 0.08
    xdotool keyup "$1"
    sleep "${2:-0.3}"
}

# Holds a key for $2 seconds.
hold() {
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}

# Grabs the window into $WORK/$1.png.
shot() {
    import -window "$WINDOW" "$WORK/$1.png" 2>/dev/null || fail "could not grab the window"
}

# Mean brightness (0..1) of a region of a shot: name x y width height, in
# pixels from the top-left corner.
mean() {
    convert "$WORK/$1.png" -crop "$4x$5+$2+$3" +repage -colorspace Gray -format '%[fx:mean]' info:
}

# Fraction of pixels brighter than 0.8 in a region: name x y width height.
bright() {
    convert "$WORK/$1.png" -crop "$4x$5+$2+$3" +repage -colorspace Gray -threshold 80% \
        -format '%[fx:mean]' info:
}

# Mean absolute difference (0..1) between two shots, over a region or the whole.
difference() {
    local region=${3:-640x480+0+0}
    convert "$WORK/$1.png" "$WORK/$2.png" -crop "$region" +repage -compose difference \
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

# Waits up to $1 seconds for the game to end and checks its status.
expect_exit() {
    local deadline=$((SECONDS + $1))
    while kill -0 "$GAME_PID" 2>/dev/null; do
        [ $SECONDS -lt "$deadline" ] || fail "the game did not quit"
        sleep 0.1
    done
    wait "$GAME_PID"
    local status=$?
    GAME_PID=""
    [ "$status" -eq 0 ] || fail "the game quit with status $status"
}

no_sanitizer_report() {
    if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$LOG"; then
        fail "sanitizer report"
    fi
}
