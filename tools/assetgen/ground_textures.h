// Textures the game loads by name: "centerterrain.png", which the ground
// stretches once over its 21 x 21 grid (x and z from -2 to 18; u = (x + 2) /
// 20, v = (z + 2) / 20), painted to match the ground's height table; and
// "particle.png" with the flame in the cell from (0, 0) to (0.25, 0.25) and
// the smoke in the cell from (0.75, 0) to (1, 0.25), transparent elsewhere.
// assetgen::soil paints the ground shared by the playing field's texture and
// the terrain border, so that the two meet without a visible change of soil.
#pragma once

#include "tools/assetgen/image.h"

namespace assetgen {

Image paintCenterTerrain();
Image paintParticles();

} // namespace assetgen

namespace assetgen::soil {

// Grass over earth: `cover` 0 is bare earth, 1 dense grass; `detail` 1 keeps
// every blade and clod, 0 only the broad patches (for distant land).
Color meadow(double x, double y, int period, double cover, double detail = 1.0);

} // namespace assetgen::soil
