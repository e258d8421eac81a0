#!/usr/bin/env bash
# Hostile data directory, in the sanitizer build: for every file of data/ that
# the game opens, it runs in a copy of the directory with that file damaged
# (see damage). Each run plays a few seconds and presses Escape, and must end
# with status 0, without a sanitizer report, having named the file in its
# output. Two runs go at a time, each on its own virtual display. The displays
# never reset between clients (with-xvfb.sh): one that does refuses a game
# starting just as the last one leaves, so every game must show its window.
#
# make test runs every missing file, the first picture replaced by a hostile
# XPM file, and every HOSTILE_SAMPLE-th other case (a fixed sample, default 5);
# HOSTILE_ALL=1 (make soak) runs them all.
# HOSTILE_ONLY= a regular expression over case names ("ant.kst:half") picks
# cases by hand.
. "$(dirname "$0")/lib.sh"
formik=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
# A device that plays nothing, so that the game reads its sound files too.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

# One case: damages one file of a fresh copy of data/, plays, and appends
# "PASS|FAIL name seconds detail" to $2.
run_case() {
    local name=$1 file=${1%:*} mode=${1##*:} dir start=$SECONDS verdict=PASS detail="" must_name=1
    dir=$(mktemp -d)
    cp -r "$HOSTILE_DATA" "$dir/data"
    local target="$dir/data/$file"
    # A text file cut right after a line end is a shorter well-formed file:
    # the game plays on with it, and there is nothing wrong to name.
    if [ "$mode" = half ] && [[ $file =~ \.(kst|ksta|vert|frag)$ ]] &&
        [ "$(head -c $(($(stat -c %s "$target") / 2)) "$target" | tail -c 1 | od -An -c | tr -d ' ')" = '\n' ]; then
        must_name=0
    fi
    damage "$mode" "$target" || { echo "SKIP $name 0 no line to mangle" >>"$2" && rm -rf "$dir" && return; }
    play_case "$dir"
    if [ "$verdict" = PASS ] && reports >/dev/null; then
        verdict=FAIL detail="sanitizer report: $(reports | head -n 3)"
    elif [ "$verdict" = PASS ] && [ "$must_name" = 0 ]; then
        detail="cut at a line end: well-formed, nothing to name"
    elif [ "$verdict" = PASS ] && ! grep -qE "(^|[^[:alnum:]_])${file//./\\.}" "$log"; then
        verdict=FAIL detail="the output does not name $file"
    fi
    [ "$verdict" = PASS ] || cp "$log" "$(keep "$name").log"
    echo "$verdict $name $((SECONDS - start)) ${detail//$'\n'/ }" >>"$2"
    rm -rf "$dir"
}

# The path (without extension) under which a case's output is kept.
keep() {
    mkdir -p "$HOSTILE_LOGS"
    echo "$HOSTILE_LOGS/${1//[:\/]/_}"
}

# Plays one game in directory $1, Escape ending it; sets verdict and detail
# when it fails, and status.
play_case() {
    status="" log=$1/game.log
    launch "$1" "${@:2}"
    if ! wait_window 180; then
        wait_exit 1
        verdict=FAIL detail="no window (the game ended or hung at start-up)"
        return
    fi
    # A game whose every picture is missing stays black: go on after a while.
    wait_drawn 30
    # Down and Up on the title screen (the ant points at each item), X, the
    # arrows and X again: a few seconds that read every file the game uses.
    tap Down 0.4
    tap Up 0.3
    tap x 0.4
    local arrow
    for arrow in Up Left Right Down; do
        hold "$arrow" 0.4
    done
    tap x 0.5
    if ! alive; then
        verdict=FAIL detail="the game ended during play"
    elif ! quit 120; then
        verdict=FAIL detail="the game did not quit on Escape"
    elif [ "$status" -ne 0 ]; then
        verdict=FAIL detail="exit status $status"
    fi
    stop_game
}

# Damages a file one way: missing, empty, cut in half, random bytes of the same
# size, (pictures) replaced by an XPM file whose colour count is negative, or
# (meshes and animations) the first line that fits mangled: a number
# after '=', '(', ',' or ':' turned into a word, a vector without its
# parentheses, a section header without its second letter, a bone (the first
# of [bones], or the first bone line of an animation) renamed. False when the
# file stays the same (a mangling that finds no line).
damage() {
    local mode=$1 target=$2 size before
    size=$(stat -c %s "$target")
    before=$(cksum <"$target")
    case $mode in
    missing) rm -f "$target" ;;
    empty) : >"$target" ;;
    half) truncate -s $((size / 2)) "$target" ;;
    xpm) cp "$(dirname "$self")/../../fuzz/corpus/image_texture/negative-colour-count.xpm" "$target" ;;
    random)
        # Seeded by the file's size, so every run gets the same bytes.
        LC_ALL=C awk -v n="$size" -v seed="$size" \
            'BEGIN { srand(seed); for (i = 0; i < n; i++) printf "%c", int(rand() * 256) }' >"$target"
        ;;
    number) sed -i -E '0,/[=(,:]-?[0-9]/ s/([=(,:])-?[0-9]+(\.[0-9]+)?/\1one/' "$target" ;;
    vector) sed -i -E '0,/[=:]\(/ s/([=:])\(([^)]*)\)/\1\2/' "$target" ;;
    header) sed -i -E '0,/^\[/ s/^\[(.)./[\1/' "$target" ;;
    bone)
        if [[ $target == *.ksta ]]; then
            sed -i -E '0,/^[A-Za-z][^:=]*:/ s/^([A-Za-z][^:=]*):/\1Renamed:/' "$target"
        else
            awk '/^\[/ { bones = /^\[bones\]/ }
                 bones && !done && /^name=/ { sub(/^name=[^:]*/, "&Renamed"); done = 1 }
                 { print }' "$target" >"$target.new" && mv "$target.new" "$target"
        fi
        ;;
    esac
    [ "$(cksum 2>/dev/null <"$target")" != "$before" ]
}

# The data files the game opens in a short undamaged game, one per line.
files_read() {
    local verdict=PASS
    # LeakSanitizer cannot work under ptrace; the damaged runs check leaks.
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" play_case "$1" strace -f -qq -o "$1/trace" -e trace=open,openat
    [ "$verdict" = PASS ] || return 1
    grep -v ENOENT "$1/trace" | grep -oE '"(\./)?data/+[^"]+"' | sed -E 's#^"(\./)?data/+##; s/"$//' | sort -u
}

# A worker: runs its share of the cases on the display it was given.
if [ -n "${HOSTILE_WORKER:-}" ]; then
    trap stop_game EXIT
    while read -r name; do
        run_case "$name" "$HOSTILE_RESULTS"
    done <"$HOSTILE_CASES.$HOSTILE_WORKER"
    exit 0
fi

sanitized "$formik" || { echo "SKIP: the hostile data matrix runs against the sanitizer build"; exit 77; }
[ -d data ] || { echo "FAIL: no data directory in $PWD"; exit 1; }
command -v strace >/dev/null || { echo "FAIL: strace is not installed"; exit 1; }

work=$(mktemp -d)
workers=()
trap 'kill "${workers[@]}" 2>/dev/null; stop_game; rm -rf "$work"' EXIT
export HOSTILE_DATA=$PWD/data HOSTILE_LOGS=$PWD/test-results/hostile
export HOSTILE_RESULTS=$work/results HOSTILE_CASES=$work/cases
rm -rf "$HOSTILE_LOGS"

mkdir -p "$work/clean"
cp -r data "$work/clean/data"
if ! files_read "$work/clean" >"$work/read" || grep -q 'Error' "$work/clean/game.log"; then
    echo "FAIL: the undamaged game did not run cleanly"
    tail -n 20 "$work/clean/game.log"
    exit 1
fi
unread=$(cd data && ls | grep -vxF -f "$work/read" | tr '\n' ' ')
[ -z "$unread" ] || echo "not read by the game, left out: $unread"

# The cases, in a fixed order: file by file, damage by damage.
awk '{ n = split("missing empty half random" (/\.ksta?$/ ? " number vector header bone" : "") \
                 (/\.png$/ ? " xpm" : ""), modes, " ")
       for (i = 1; i <= n; i++) print $0 ":" modes[i] }' "$work/read" >"$work/all"
if [ -n "${HOSTILE_ONLY:-}" ]; then
    grep -E "$HOSTILE_ONLY" "$work/all" >"$work/chosen"
else
    # Every missing file, the first hostile XPM, and every n-th of the other cases.
    awk -v n="${HOSTILE_SAMPLE:-5}" -v all="${HOSTILE_ALL:-0}" \
        'all == 1 || /:missing$/ || (/:xpm$/ && !xpm++) { print; next }
         { if (k++ % n == 0) print }' "$work/all" >"$work/chosen"
fi
ran=$(wc -l <"$work/chosen")
echo "$ran of $(wc -l <"$work/all") cases over $(wc -l <"$work/read") files"

# Cases alternate between the workers; the second gets a display of its own.
touch "$HOSTILE_RESULTS" "$HOSTILE_CASES".{0,1}
start=$SECONDS
awk -v cases="$HOSTILE_CASES" '{ print >(cases "." (NR + 1) % 2) }' "$work/chosen"
HOSTILE_WORKER=0 bash "$self" "$formik" &
workers+=($!)
HOSTILE_WORKER=1 "$(dirname "$self")/../support/with-xvfb.sh" bash "$self" "$formik" &
workers+=($!)
wait "${workers[@]}"
workers=()

grep -E '^(FAIL|SKIP)|well-formed' "$HOSTILE_RESULTS" | sort -k2
for failed_log in "$HOSTILE_LOGS"/*.log; do
    [ -f "$failed_log" ] && echo "--- $(basename "$failed_log")" && tail -n 15 "$failed_log"
done
count() { grep -c "^$1" "$HOSTILE_RESULTS"; }
passed=$(count PASS) failed=$(count FAIL) skipped=$(count SKIP)
echo "hostile data: $passed passed, $failed failed, $skipped without a line to mangle," \
    "$ran cases in $((SECONDS - start)) s"
[ $((passed + failed + skipped)) -eq "$ran" ] || { echo "FAIL: some cases gave no result"; exit 1; }
[ "$failed" -eq 0 ]
