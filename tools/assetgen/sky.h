// The sky: a large sphere round the level, drawn unlit by its own shader, and
// its texture (latitude-longitude: u turns round the vertical axis, v runs
// from the zenith at 0 through the horizon at 0.5 to the nadir at 1) with a
// blue gradient, clouds and a sun glow where the game's light comes from.
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

namespace assetgen {

MeshBuilder buildSkybox();
Image paintSkyTexture();

} // namespace assetgen
