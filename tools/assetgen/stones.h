// Stone assets: the thrown rock (a lumpy, faceted pebble about one mesh unit
// across, shown at scale 0.1), the boulders around the field and the
// tombstones of the little graveyard, with their textures.
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

namespace assetgen {

MeshBuilder buildRock();
MeshBuilder buildBoulders();
MeshBuilder buildTombstones();
Image paintStoneTexture();
Image paintTombstoneTexture();

} // namespace assetgen
