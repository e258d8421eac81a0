// Writes the level's surroundings and effects: terrain border, sky, boulders,
// trees, tombstones and grass (all placed by the game at (8, 0.5, 8) with
// scale (20, 16, 20)), the thrown rock, the ground's texture and the particle
// texture.
#pragma once

#include "tools/assetgen/output.h"

namespace assetgen {

void writeScenery(Output& out);

} // namespace assetgen
