// The 3D title: the game's name in the game's font extruded into solid gold
// letters, centred on the origin in mesh coordinates with the front facing -z
// (the title camera, which sees world +x on its left), and its texture.
// assetgen::title is how the title screen (app/title_layout.h) shows the title
// and the pointing ant through its square camera on the 640 x 480 window.
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

} // namespace assetgen::title
