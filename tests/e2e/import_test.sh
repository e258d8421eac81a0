#!/usr/bin/env bash
# kestrel-import on damaged models: every file of assimp's invalid/ set,
# truncated and byte-flipped copies of real models, and models the engine
# cannot hold end with one message that names the file, status 2 and nothing
# in the output directory; a copy that is still a valid model imports whole.
# Output files are replaced only with --force, never a directory, and an
# interrupted import leaves nothing behind. Runs from the build tree.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
importer=$PWD/tools/import/kestrel-import
models=/usr/share/assimp/models
[ -x "$importer" ] || fail "no $importer"
[ -d "$models/invalid" ] || { echo "SKIP: assimp-testmodels is not installed"; exit 77; }

# Imports $1 into a fresh directory, its exit status into status; status 2
# must leave the directory empty and name the file.
check() {
    local out=$work/out err=$work/err
    rm -rf "$out"
    "$importer" "$1" -o "$out" >/dev/null 2>"$err"
    status=$?
    grep -qE 'Sanitizer|runtime error' "$err" && grep -q 'tools/import/' "$err" &&
        fail "sanitizer report from the importer on $1: $(head -n 20 "$err")"
    case $status in
    0) [ -s "$out/$(basename "${1%.*}").kst" ] || fail "status 0 without a mesh for $1" ;;
    2) [ -z "$(ls -A "$out")" ] || fail "$1 left files behind: $(ls -A "$out")"
       [ "$(grep -c '^kestrel-import: ' "$err")" = 1 ] && grep -qF "'$1'" "$err" ||
           fail "no single message naming $1: $(cat "$err")" ;;
    *) fail "status $status for $1: $(cat "$err")" ;;
    esac
}

# malformed2.obj only names a material it lacks: assimp gives it its default one.
for file in "$models"/invalid/*; do
    check "$file"
    [ "$status" = 2 ] || [ "$file" = "$models/invalid/malformed2.obj" ] || fail "$file was imported"
done

# No triangles, more vertices than the format holds, infinite positions.
for model in OBJ/testpoints.obj AC/sample_subdiv.ac \
    glTF2/BoxWithInfinites-glTF-Binary/BoxWithInfinites.glb; do
    check "$models/$model"
    [ "$status" = 2 ] || fail "$model was imported"
done

damaged=0
for model in X/BCN_Epileptic.X X/anim_test.x FBX/huesitos.fbx glTF2/simple_skin/simple_skin.gltf \
    BVH/01_01.bvh Collada/box_nested_animation.dae 3DS/RotatingCube.3DS IQM/mrfixit.iqm B3D/WusonBlitz.b3d; do
    source=$models/$model
    size=$(stat -c %s "$source")
    name=$(basename "$model")
    copy=$work/truncated-$name
    head -c $((size / 2)) "$source" >"$copy"
    check "$copy"
    [ "$status" = 0 ] || damaged=$((damaged + 1))
    for at in 16 $((size / 7)) $((size / 3)); do
        copy=$work/flipped-$at-$name
        cp "$source" "$copy"
        printf '\xff\x00\xff\x00\xff\x00\xff\x00' | dd of="$copy" bs=1 seek="$at" conv=notrunc status=none
        check "$copy"
        [ "$status" = 0 ] || damaged=$((damaged + 1))
    done
done
[ "$damaged" -gt 0 ] || fail "no damaged copy was refused"

kept=$work/kept
"$importer" "$models/glTF2/simple_skin/simple_skin.gltf" -o "$kept" >/dev/null || fail "no import"
echo mine >"$kept/simple_skin.kst"
"$importer" "$models/glTF2/simple_skin/simple_skin.gltf" -o "$kept" >/dev/null 2>&1 &&
    fail "an existing file was replaced without --force"
[ "$(cat "$kept/simple_skin.kst")" = mine ] || fail "the refused import changed a file"
[ "$(ls -A "$kept" | wc -l)" = 3 ] || fail "the refused import left files: $(ls -A "$kept")"
"$importer" "$models/glTF2/simple_skin/simple_skin.gltf" -o "$kept" --force >/dev/null ||
    fail "--force did not replace the files"
grep -q '^\[bones\]' "$kept/simple_skin.kst" || fail "--force left the old mesh"
rm "$kept/simple_skin.kst" && mkdir "$kept/simple_skin.kst"
"$importer" "$models/glTF2/simple_skin/simple_skin.gltf" -o "$kept" --force >/dev/null 2>&1 &&
    fail "a directory was replaced"
[ "$(ls -A "$kept" | wc -l)" = 3 ] || fail "the refused import left files: $(ls -A "$kept")"

# A model may name any file as its texture: only images are copied.
printf 'mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >"$work/m.obj"
printf 'newmtl red\nKd 1 0 0\nmap_Kd %s\n' "$work/m.obj" >"$work/m.mtl"
"$importer" "$work/m.obj" -o "$work/textured" >/dev/null || fail "no import with a text texture"
[ "$(ls "$work/textured")" = "$(printf 'm.kst\nm_red.png')" ] ||
    fail "a text file was taken as a texture: $(ls "$work/textured")"

mkfifo "$work/never.obj"
"$importer" "$work/never.obj" -o "$work/stopped" 2>/dev/null &
sleep 0.5
kill -INT $!
wait $! && fail "an interrupted import succeeded"
[ -z "$(ls -A "$work/stopped")" ] || fail "the interrupted import left $(ls -A "$work/stopped")"
echo "PASS: invalid models and $damaged damaged copies refused cleanly; files replaced only with --force;" \
    "only images taken as textures; an interrupted import leaves nothing"
