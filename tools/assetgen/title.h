// The 3D title: the game's name in the game's font, extruded into solid
// letters (front cap, back cap, side walls) in mesh coordinates centred on the
// origin. The front faces -z, towards the title camera, and the letters read
// left to right from there, where world +x appears on the left.
// Its texture maps the text's bounding box (font units) straight onto the
// front region, where the letters are painted as polished gold with a bevel lit
// from the upper right (where the game's light comes from as the title camera
// sees it) and a dark rim; the side walls use a plain bronze region.
// assetgen::title says how the game's title screen (app/title_layout.h) shows
// the title mesh and the pointing ant: a 45 degree projection of aspect 1.0
// stretched over the 640 x 480 window. Lets the generator aim the ant at the menu.
#pragma once

#include "tools/assetgen/glyph_outlines.h"
#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

#include <string>

namespace assetgen {

struct TitleAssets {
    MeshBuilder mesh;
    Image texture;
};

// Throws std::runtime_error when the font cannot be read or triangulated.
TitleAssets buildTitle(const std::string& fontPath, const std::string& text = "Formik");

} // namespace assetgen

namespace assetgen::title {

// The window squeezes the square projection; x spans 4/3 of what y spans.
constexpr double SCREEN_ASPECT = 640.0 / 480.0;

// Screen points (0..1, y up) inside the first letters of each menu line
// (app/title_layout.h), at mid-letter height.
inline const Vec2 ONE_PLAYER_TARGET{0.68, 0.43};
inline const Vec2 EXIT_TARGET{0.65, 0.32};

// The world point seen at a screen point, on the plane z = planeZ.
Vec3 worldAt(const Vec2& screen, double planeZ);

// Where a world point lies in the pointing ant's mesh coordinates.
Vec3 antMeshPoint(const Vec3& world);

// The screen point (0..1, y up) of a world point.
Vec2 screenOf(const Vec3& world);

} // namespace assetgen::title
