#!/usr/bin/env bash
# Kestrel used as another game uses it: installed into a scratch prefix, found
# by CMake and by pkg-config from a clean environment, and the example built
# against it draws a picture and exits 0 on Escape; the installed kestrel-view
# photographs a game mesh and refuses bad files. Runs from the build tree.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
build=$PWD
example=$(cd "$(dirname "$0")/../../examples/hello_ant" && pwd)

# A sanitizer build's library needs the sanitizer runtimes in every user.
sanitized "$formik" && { echo "SKIP: the install is checked in the normal build"; exit 77; }
cmake --install "$build" --prefix "$work/prefix" >"$log" 2>&1 || fail "the install failed"
extra=$(cd "$work/prefix" && find . -type f | grep -vE '^\./include/kestrel/engine/.*\.h$|^\./lib/(libkestrel\.a|cmake/Kestrel/.*\.cmake|pkgconfig/kestrel\.pc)$|^\./bin/kestrel-[a-z]+$|^\./share/kestrel/kestrel-view\.ttf(\.LICENSE\.txt)?$')
[ -z "$extra" ] || fail "the install holds more than the engine and its tools: $extra"

# The headers are exactly those the engine's documentation names, and each one
# compiles on its own: none needs a header that is not installed.
docs=$(cd "$(dirname "$0")/../../docs" && pwd)/engine.md
named=$(grep -oE 'engine/[a-z_/]+\.h' "$docs" | sort -u)
installed=$(cd "$work/prefix/include/kestrel" && find engine -name '*.h' | sort)
[ "$named" = "$installed" ] ||
    fail "installed headers differ from docs/engine.md: $(diff <(echo "$named") <(echo "$installed") | grep '^[<>]' | tr '\n' ' ')"
for header in $installed; do
    echo "#include \"$header\"" |
        c++ -std=c++17 -fsyntax-only -Wall -Werror -I "$work/prefix/include/kestrel" -x c++ - >>"$log" 2>&1 ||
        fail "$header does not compile alone against the install"
done

# A clean environment: the prefix reaches CMake and pkg-config only as given here.
clean() { env -i PATH="$PATH" HOME="$work" "$@" >>"$log" 2>&1; }
clean cmake -S "$example" -B "$work/example" -DCMAKE_PREFIX_PATH="$work/prefix" ||
    fail "find_package(Kestrel) failed"
clean cmake --build "$work/example" || fail "the example does not build against the package"
clean PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" sh -c \
    'c++ -std=c++17 -o "$1" "$2" $(pkg-config --cflags --libs kestrel sdl)' - "$work/by-pkg-config" \
    "$example/main.cpp" || fail "the example does not build with pkg-config's flags"

TITLE="Hello, ant"
run_in "$build" "$work/example/hello_ant"
wait_window || fail "no window named '$TITLE'"
# A picture (one colour all over is none, whichever colour), then a walk: the
# next pictures differ. Both are awaited, as a loaded machine draws slowly.
deadline=$((SECONDS + TIMEOUT))
until spread=$(import -silent -window "$window" -colorspace Gray -format '%[fx:standard_deviation]' info:) &&
    check "$spread" '>' 0.02; do
    alive || fail "the example ended before drawing"
    [ "$SECONDS" -lt "$deadline" ] || fail "no picture, only one colour all over"
    sleep 0.2
done
if ! { wait_frame 0 && wait_frame $((deadline - SECONDS)); }; then
    alive || fail "the example ended before the ant moved"
    fail "the ant stands still: the picture never changes"
fi
expect_exit 0 Escape

# The installed viewer, run away from the build tree (its font comes from the
# prefix): two moments of a walk, each a picture, and not the same picture.
view=$work/prefix/bin/kestrel-view
shoot() { (cd "$work" && "$view" "$build/data/ant.kst" "$build/data/antwalk.ksta" --shot "$1" --at "$2") >>"$log" 2>&1; }
shoot "$work/walk-0.png" 0 || fail "kestrel-view --shot failed"
shoot "$work/walk-1.png" 0.3 || fail "kestrel-view --shot failed at 0.3 s"
! grep -q 'kestrel-view: no font' "$log" || fail "the installed viewer finds no font"
for shot in walk-0 walk-1; do
    spread=$(convert "$work/$shot.png" -colorspace Gray -format '%[fx:standard_deviation]' info:) ||
        fail "$shot.png is no picture"
    check "$spread" '>' 0.02 || fail "$shot.png is one colour all over"
done
# Below the status line, whose time differs anyway.
for shot in walk-0 walk-1; do convert "$work/$shot.png" -crop 640x440+0+40 "$work/$shot-model.png"; done
moved=$(compare -metric AE "$work/walk-0-model.png" "$work/walk-1-model.png" null: 2>&1)
check "${moved%% *}" '>' 2000 || fail "the walk at 0 and 0.3 s looks the same ($moved pixels differ)"

# A model no one here made, imported and drawn by the installed tools.
model=/usr/share/assimp/models/X/Testwuson.X
if [ -f "$model" ]; then
    (cd "$work" && "$work/prefix/bin/kestrel-import" "$model" -o imported) >>"$log" 2>&1 ||
        fail "the installed kestrel-import failed on $model"
    (cd "$work" && "$view" imported/Testwuson.kst imported/Testwuson_Wuson_Walk.ksta --turn 180 \
        --shot wuson.png --at 0.5) >>"$log" 2>&1 || fail "kestrel-view --shot failed on the import"
    spread=$(convert "$work/wuson.png" -colorspace Gray -format '%[fx:standard_deviation]' info:) ||
        fail "wuson.png is no picture"
    check "$spread" '>' 0.02 || fail "the imported model's picture is one colour all over"
fi

# Bad input: a clear message naming the file and the status of its kind.
refuse() {
    local expected=$1 name=$2 out status=0
    out=$(cd "$work" && "$view" "${@:3}" 2>&1) || status=$?
    [ "$status" -eq "$expected" ] || fail "kestrel-view ${*:3}: status $status, not $expected ($out)"
    grep -qF -- "$name" <<<"$out" || fail "kestrel-view ${*:3} does not name '$name': $out"
}
head -c 3000 /dev/urandom >"$work/noise.kst"
printf '# nothing\n' >"$work/still.ksta"
refuse 2 missing.kst "$work/missing.kst"
refuse 2 noise.kst "$work/noise.kst"
refuse 2 still.ksta "$build/data/ant.kst" "$work/still.ksta"
refuse 2 gone.ksta "$build/data/ant.kst" "$work/gone.ksta"
refuse 1 "--at" "$build/data/ant.kst" --shot "$work/x.png" --at soon
echo "PASS"
