# Shared steps of the end-to-end scripts: start the game from the current
# directory, wait for its window, and check how it ends. Sourced, not run.
# Every wait polls with a deadline, and the game never outlives the script.

E2E_TIMEOUT=${E2E_TIMEOUT:-60}
GAME_TITLE="Formik"
game_pid=""
game_log=$(mktemp)

stop_game() {
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        # SDL turns SIGTERM into a quit event, which a broken game may ignore.
        kill -KILL "$game_pid" 2>/dev/null
        wait "$game_pid" 2>/dev/null
    fi
    rm -f "$game_log"
}
trap stop_game EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$game_log" ]; then
        echo "--- game output" >&2
        cat "$game_log" >&2
    fi
    exit 1
}

# Runs a command until it succeeds or the deadline passes.
poll() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

start_game() {
    [ -x "$1" ] || fail "no game binary at '$1'"
    # Set by sanitizer builds; see tests/CMakeLists.txt.
    env ${FORMIK_GAME_PRELOAD:+"LD_PRELOAD=$FORMIK_GAME_PRELOAD"} "$1" >"$game_log" 2>&1 &
    game_pid=$!
}

game_running() { kill -0 "$game_pid" 2>/dev/null; }

find_window() {
    if ! game_running; then
        wait "$game_pid"
        local status=$?
        game_pid=""
        fail "the game exited with status $status before opening its window"
    fi
    game_window=$(xdotool search --name "^${GAME_TITLE}\$" 2>/dev/null | head -n 1)
    [ -n "$game_window" ]
}

# Sets game_window to the id of the game's window.
wait_for_window() {
    poll find_window || fail "no window named '$GAME_TITLE' within ${E2E_TIMEOUT}s"
}

game_stopped() { ! game_running; }

# Fails unless the game ends within the deadline with the given status.
expect_exit_status() {
    poll game_stopped || fail "the game still runs ${E2E_TIMEOUT}s after $2"
    wait "$game_pid"
    local status=$?
    game_pid=""
    [ "$status" -eq "$1" ] || fail "the game exited with status $status after $2, expected $1"
}
