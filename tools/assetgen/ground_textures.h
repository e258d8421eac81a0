// Textures the game loads by name: "centerterrain.png", stretched once over the
// ground's grid (x, z from -2 to 18: u = (x + 2) / 20, v = (z + 2) / 20) and
// painted to match its height table, and "particle.png" (flame and smoke cells
// as game/flame.h places them, transparent elsewhere). assetgen::soil paints the
// ground that the field's texture and the terrain border share.
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
