// Writes everything the ants need: the soldier ("ant.kst"), fire and zombie
// ant meshes, their texture atlases and the ant animations.
#pragma once

#include "tools/assetgen/output.h"

namespace assetgen {

void writeAnts(Output& out);

} // namespace assetgen
