#!/usr/bin/env bash
# Without "ant.kst", "grass.kst" and "title.kst" the game names them, leaves
# them out, draws the rest and plays on.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
[ -d data ] || fail "no data directory in $PWD"
mkdir -p "$work/game"
cp -r data "$work/game/data"
rm -f "$work/game/data/"{ant,grass,title}.kst

start_game "$work/game"
shot title
menu=$(bright title 384 245 220 95)
check "$menu" '>' 0.02 || fail "no menu without the title mesh (bright $menu)"
tap x 2
shot field
hud=$(bright field 505 335 135 100)
check "$hud" '>' 0.02 || fail "no head-up display (bright $hud)"
hold Up 1
tap x 1
hold Left 1
alive || fail "the game ended"
expect_exit 0 Escape 5
for file in ant.kst grass.kst title.kst; do
    grep -q "$file" "$log" || fail "the output does not name $file"
done
# The ants without a mesh are not posed, so the animation sampler stays quiet.
! grep -q 'entity->getMesh() != null' "$log" || fail "ants without a mesh were animated"
echo "PASS: missing data (menu $menu, HUD $hud)"
