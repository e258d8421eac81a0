// The three kinds of ant and everything they need: the soldier ("ant.kst"),
// fire and zombie ant meshes, their texture atlases and the ant animations.
#pragma once

#include "tools/assetgen/ant_mesh.h"
#include "tools/assetgen/ant_textures.h"
#include "tools/assetgen/output.h"

namespace assetgen {

struct AntKind {
    const char* mesh;
    AntStyle style;
    AntPalette palette;
};

extern const AntKind ANT_KINDS[3];

void writeAnts(Output& out);

} // namespace assetgen
