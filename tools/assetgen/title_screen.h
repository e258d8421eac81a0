// How the game's title screen (app/title_layout.h) shows the title mesh and the
// pointing ant: a 45 degree projection of aspect 1.0 stretched over the 640 x 480
// window. Lets the generator aim the ant at the menu.
#pragma once

#include "tools/assetgen/geometry.h"

namespace assetgen::title {

// The window squeezes the square projection; x spans 4/3 of what y spans.
constexpr double SCREEN_ASPECT = 640.0 / 480.0;

// Screen points (0..1, y up) at the left part of each menu line's letters.
extern const Vec2 ONE_PLAYER_TARGET;
extern const Vec2 EXIT_TARGET;

// The world point seen at a screen point, on the plane z = planeZ.
Vec3 worldAt(const Vec2& screen, double planeZ);

// Where a world point lies in the pointing ant's mesh coordinates.
Vec3 antMeshPoint(const Vec3& world);

// The screen point (0..1, y up) of a world point.
Vec2 screenOf(const Vec3& world);

} // namespace assetgen::title
