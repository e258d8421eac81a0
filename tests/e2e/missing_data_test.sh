#!/usr/bin/env bash
# Without "ant.kst", "grass.kst" and "title.kst" the game names them, leaves
# them out, draws the rest and plays on. It writes nothing meanwhile: under
# strace it opens no file for writing and creates, renames or removes none.
# Only /dev and /proc may be opened for writing (the X server's sockets are
# connected to, not opened). Without a display, or away from its data, it
# fails with a message.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
command -v strace >/dev/null || fail "strace is not installed (scripts/install-deps.sh)"
[ -d data ] || fail "no data directory in $PWD"
# The sound server's client library, finding no server, makes its own
# directory under the home on its first run (~/.config/pulse): a device that
# plays nothing keeps this check on the game's own calls.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
mkdir -p "$work/game"
cp -r data "$work/game/data"
rm -f "$work/game/data/"{ant,grass,title}.kst

calls=open,openat,openat2,creat,rename,renameat,renameat2,unlink,unlinkat,mkdir,mkdirat,link,linkat,symlink,symlinkat,truncate
# LeakSanitizer cannot work under ptrace; the hostile data matrix checks the
# leaks of every missing file.
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" start_game "$work/game" \
    strace -f -qq -o "$work/trace" -e trace="$calls"
shot title
menu=$(bright title 384 245 220 95)
check "$menu" '>' 0.02 || fail "no menu without the title mesh (bright $menu)"
tap x 2
shot field
hud=$(bright field 505 335 135 100)
check "$hud" '>' 0.02 || fail "no head-up display (bright $hud)"
for arrow in Up Left Right Down; do
    hold "$arrow" 0.5
    tap x 0.3
done
alive || fail "the game ended"
expect_exit 0 Escape
for file in ant.kst grass.kst title.kst; do
    grep -q "$file" "$log" || fail "the output does not name $file"
done
# The ants without a mesh are not posed, so the animation sampler stays quiet.
! grep -q 'entity->getMesh() != null' "$log" || fail "ants without a mesh were animated"

# A call that writes, whatever its outcome: an open with a write or create
# flag, and every call that makes, renames or removes a name.
writes=$(sed -E 's/^[0-9]+ +//' "$work/trace" | grep -E '^[a-z0-9_]+\([^"]*"' |
    grep -vE '^[a-z0-9_]+\([^"]*"/(dev|proc)/' | awk '!/^open/ || /O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND/')
[ -z "$writes" ] || fail "the game wrote to the file system: $(head -n 20 <<<"$writes")"

# Without a display there is no window: the game says so and fails.
(cd "$work/game" && env -u DISPLAY "$formik" >"$work/nodisplay" 2>&1) &&
    fail "the game reported success without a window"
grep -q 'cannot open the window' "$work/nodisplay" || fail "no message without a window: $(cat "$work/nodisplay")"
# Started away from its data, it says where to start it, before any window.
mkdir -p "$work/elsewhere"
(cd "$work/elsewhere" && "$formik" >"$work/nodata" 2>&1) && fail "the game reported success without data"
grep -q "no data directory './data/'" "$work/nodata" || fail "no message without data: $(cat "$work/nodata")"
echo "PASS: missing data (menu $menu, HUD $hud), no writes among $(grep -c 'open' "$work/trace") traced opens;" \
    "no window or no data, no success"
