# Runs the real game on the current display with a command of the caller's
# choosing (plain, under strace, under valgrind), plays it with XTEST key
# events and watches how it ends. Sourced by the reliability scripts. Every
# wait has a deadline, and the game and the memory sampler never outlive the
# script that started them.

SESSION_TIMEOUT=${SESSION_TIMEOUT:-60}
# The title of the window to find (another program than the game sets its own).
SESSION_TITLE=${SESSION_TITLE:-Formik}
session_pid=""
session_window=""
session_sampler=""
session_log=""
session_status=""
session_escapes=0
session_picture=""
session_frame_time="unmeasured"
session_frame_wait=60

session_cleanup() {
    if [ -n "$session_sampler" ]; then
        kill "$session_sampler" 2>/dev/null
        wait "$session_sampler" 2>/dev/null
        session_sampler=""
    fi
    if [ -n "$session_pid" ] && kill -0 "$session_pid" 2>/dev/null; then
        kill -KILL "$session_pid" 2>/dev/null
        wait "$session_pid" 2>/dev/null
    fi
    session_pid=""
}

# The start of a test script that plays the game binary $1: sets formik (its
# absolute path) and work (a scratch directory, removed at exit together with
# the game), and defines fail, which ends the script with the game's last
# output lines.
session_test_start() {
    formik=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    work=$(mktemp -d)
    trap 'session_cleanup; rm -rf "$work"' EXIT
    fail() {
        echo "FAIL: $*"
        [ -f "$work/game.log" ] && tail -n 40 "$work/game.log"
        exit 1
    }
}

session_alive() { [ -n "$session_pid" ] && kill -0 "$session_pid" 2>/dev/null; }

# The environment a game binary needs: sanitizer builds preload the GL driver
# (see tests/CMakeLists.txt). Prints one word for `env` (the loader takes a
# list separated by colons as well as by spaces).
session_env() {
    if [ -n "${FORMIK_GAME_PRELOAD:-}" ]; then
        echo "LD_PRELOAD=${FORMIK_GAME_PRELOAD// /:}"
    fi
}

# True when the binary carries AddressSanitizer.
session_sanitized() {
    ldd "$1" 2>/dev/null | grep -q 'libasan' || nm -C "$1" 2>/dev/null | grep -q ' __asan_init'
}

# session_start LOG DIR COMMAND...: runs COMMAND in DIR, output into LOG.
session_start() {
    session_log=$1
    local dir=$2
    shift 2
    (cd "$dir" && exec "$@") </dev/null >"$session_log" 2>&1 &
    session_pid=$!
    session_window=""
}

session_find_window() {
    session_alive || return 2
    session_window=$(xdotool search --name "^$SESSION_TITLE\$" 2>/dev/null | head -n 1)
    [ -n "$session_window" ]
}

# Waits for the window and points into it (without a window manager the
# keyboard follows the pointer). Status 1: no window in time; 2: the game ended.
session_wait_window() {
    local timeout=${1:-$SESSION_TIMEOUT}
    local deadline=$((SECONDS + timeout))
    local status
    while :; do
        session_find_window
        status=$?
        [ "$status" -eq 0 ] && break
        [ "$status" -eq 2 ] && return 2
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
    xdotool mousemove --window "$session_window" 320 240 2>/dev/null
    return 0
}

# Waits until the window shows something other than black: the game has
# loaded its data and draws frames, so keys pressed from now on are seen one
# frame at a time (keys pressed while it loads all arrive in one frame).
# Status 1 when nothing is drawn in time: a game without any data stays black.
session_wait_drawn() {
    local deadline=$((SECONDS + ${1:-$SESSION_TIMEOUT}))
    while session_alive && [ "$SECONDS" -lt "$deadline" ]; do
        window_lit "$session_window" && return 0
        sleep 0.2
    done
    return 1
}

# True when the window shows more than a black picture.
window_lit() {
    local lit
    lit=$(import -silent -window "$1" -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null)
    awk -v m="${lit:-0}" 'BEGIN { exit !(m > 0.01) }'
}

# Waits up to $1 seconds (default 60) for a picture other than the last one
# it saw; status 1 when none came.
session_wait_frame() {
    local deadline=$((SECONDS + ${1:-60})) picture
    while session_alive; do
        picture=$(import -silent -window "$session_window" -format '%#' info: 2>/dev/null)
        if [ "$picture" != "$session_picture" ]; then
            session_picture=$picture
            return 0
        fi
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
    return 1
}

# Times three new pictures after the next one: sets session_frame_time to
# their mean in seconds and session_frame_wait to four of those frames rounded
# up to whole seconds, how long a new picture may take. While the title sways
# or a fresh game's camera eases after the player every frame differs; a
# still scene does not.
session_measure_frame() {
    local start i
    session_wait_frame 300 && session_wait_frame 300 || return 1
    start=$EPOCHREALTIME
    for i in 1 2 3; do
        session_wait_frame 300 || return 1
    done
    session_frame_time=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", (b - a) / 3 }')
    session_frame_wait=$(awk -v t="$session_frame_time" 'BEGIN { print int(4 * t) + 1 }')
}

# One xdotool key action. SDL keeps at most 128 pending events and drops the
# rest, which a slow build (memcheck: seconds a frame) would not drain in
# time: with session_paced set, each input waits for a new picture (at most
# session_frame_wait seconds, as the scene may stand still), so only a few are
# ever pending.
session_key() {
    xdotool "$1" "$2" 2>/dev/null
    [ -z "${session_paced:-}" ] || session_wait_frame "$session_frame_wait"
}

# Holds a key for the given seconds.
session_hold() {
    session_key keydown "$1"
    sleep "$2"
    session_key keyup "$1"
}

session_tap() {
    session_hold "$1" 0.05
    sleep "${2:-0.1}"
}

# Starts the game from the title screen: One Player, then X.
session_start_play() {
    session_tap Up 0.2
    session_tap x 0.5
}

# The scripted player: measures the frame time, then for the given seconds
# walks with a random arrow for 0.1 to 0.8 s (or a frame), now and then
# holding C to turn, and throws every other move on average; each input waits
# for the game. RANDOM is seeded, so a seed repeats the same moves. Status 1
# when the game ends on its own.
session_random_player() {
    local seconds=$1 session_paced=1
    RANDOM=$2
    local arrows=(Up Down Left Right)
    session_measure_frame
    local end=$((SECONDS + seconds))
    while [ "$SECONDS" -lt "$end" ]; do
        session_alive || return 1
        local arrow=${arrows[RANDOM % 4]}
        local tenths=$((RANDOM % 8 + 1))
        local turn=$((RANDOM % 4 == 0))
        local throw=$((RANDOM % 2))
        [ "$turn" -eq 1 ] && session_key keydown c
        session_hold "$arrow" "0.$tenths"
        [ "$turn" -eq 1 ] && session_key keyup c
        [ "$throw" -eq 1 ] && session_tap x 0.05
    done
    session_alive
}

# Records "seconds-since-start resident-kB" once a second into FILE while the
# game runs.
session_sample_memory() {
    local file=$1 pid=$session_pid
    (
        start=$SECONDS
        while kill -0 "$pid" 2>/dev/null; do
            rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
            [ -n "$rss" ] && echo "$((SECONDS - start)) $rss"
            sleep 1
        done
    ) >"$file" &
    session_sampler=$!
}

# Presses Escape and waits up to $1 seconds for the game to end, pressing it
# again every $2 seconds (default 30) while the game runs: a slow build may
# still have been behind. Leaves the exit status in session_status and the
# presses in session_escapes; status 1 when it did not end in time (it is then
# killed).
session_quit() {
    local deadline=$((SECONDS + ${1:-$SESSION_TIMEOUT})) every=${2:-30}
    session_escapes=0
    while session_alive && [ "$SECONDS" -lt "$deadline" ]; do
        xdotool key Escape 2>/dev/null
        session_escapes=$((session_escapes + 1))
        session_ends_within $((deadline - SECONDS < every ? deadline - SECONDS : every))
    done
    session_wait_exit 0
}

# True when the game ends within $1 seconds.
session_ends_within() {
    local deadline=$((SECONDS + $1))
    while session_alive; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

session_wait_exit() {
    if ! session_ends_within "$1"; then
        session_cleanup
        return 1
    fi
    wait "$session_pid"
    session_status=$?
    session_pid=""
    return 0
}

# Lines of a sanitizer or valgrind report in the log, if any.
session_reports() {
    grep -E 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: (Address|Leak|Undefined)' \
        "$session_log"
}
