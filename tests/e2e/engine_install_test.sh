#!/usr/bin/env bash
# Kestrel used as another game uses it: installed into a scratch prefix, found
# by CMake and by pkg-config from a clean environment, and the example built
# against it draws a picture and exits 0 on Escape. Runs from the build tree.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
build=$PWD
example=$(cd "$(dirname "$0")/../../examples/hello_ant" && pwd)

# A sanitizer build's library needs the sanitizer runtimes in every user.
sanitized "$formik" && { echo "SKIP: the install is checked in the normal build"; exit 77; }
cmake --install "$build" --prefix "$work/prefix" >"$log" 2>&1 || fail "the install failed"
extra=$(cd "$work/prefix" && find . -type f | grep -vE '^\./include/kestrel/engine/.*\.h$|^\./lib/(libkestrel\.a|cmake/Kestrel/.*\.cmake|pkgconfig/kestrel\.pc)$|^\./bin/kestrel-(import|view)$')
[ -z "$extra" ] || fail "the install holds more than the engine and its tools: $extra"

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
echo "PASS"
