#!/usr/bin/env bash
# Plays a scripted session of the real game on its own virtual display and
# saves numbered screenshots in <builddir>/demo/: the title screen, the start,
# walking, throwing, being hit and the next ant coming on.
set -u
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${FORMIK_DEMO_DISPLAY:-}" ]; then
    exec env FORMIK_DEMO_DISPLAY=1 "$root/tests/support/with-xvfb.sh" bash "$0" "$build"
fi

[ -x "$build/formik" ] || { echo "demo: no $build/formik; build first"; exit 1; }
[ -d "$build/data" ] || { echo "demo: no $build/data; build first"; exit 1; }
out="$build/demo"
rm -rf "$out"
mkdir -p "$out"

(cd "$build" && exec ./formik) >"$out/formik.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT

window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --onlyvisible --name '^Formik$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "demo: the game window did not appear"; cat "$out/formik.log"; exit 1; }
xdotool mousemove --window "$window" 320 240

n=0
shot() {
    n=$((n + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$out" "$n" "$1")
    import -window "$window" "$file" && echo "demo: $file"
}
hold() {
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}
tap() {
    hold "$1" 0.08
    sleep "${2:-0.3}"
}

sleep 1.5
shot title
tap Down 0.6
shot title-exit-selected
tap Up 0.6
# X starts the game, and the same press throws the first rock.
tap x 0.4
shot game-start
sleep 0.6
shot first-rock
# The first enemies come straight at the ant: keep throwing at them.
for i in $(seq 1 6); do
    tap x 0.5
    [ $((i % 2)) -eq 0 ] && shot "throwing-$i"
done
hold Left 1.0
shot walk-left
hold Up 1.2
shot walk-up
tap x 0.3
shot throw
# Turn with C (the ant turns its back to the way it walks), throw the other way.
xdotool keydown c
hold Down 0.8
xdotool keyup c
shot turned
tap x 0.8
shot thrown-back
# Stand and let the enemies come: soldiers throw, zombies bite, fire ants burn,
# and each dead ant is followed by the next.
for i in $(seq 1 12); do
    sleep 1.2
    shot "under-attack-$i"
done
hold Right 1.0
tap x 0.8
shot later
xdotool key Escape
wait $pid
status=$?
trap - EXIT
echo "demo: $n screenshots in $out (game exit status $status)"
