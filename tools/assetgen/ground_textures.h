// Textures the game loads by name: "centerterrain.png", which the ground
// stretches once over its 21 x 21 grid (x and z from -2 to 18; u = (x + 2) /
// 20, v = (z + 2) / 20), painted to match the ground's height table; and
// "particle.png" with the flame in the cell from (0, 0) to (0.25, 0.25) and
// the smoke in the cell from (0.75, 0) to (1, 0.25), transparent elsewhere.
#pragma once

#include "tools/assetgen/image.h"

namespace assetgen {

Image paintCenterTerrain();
Image paintParticles();

} // namespace assetgen
