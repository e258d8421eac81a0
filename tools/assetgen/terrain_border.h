// The terrain around the ground's grid: rings of quads from just under the
// grid's rim (a skirt hidden below the ground that covers any crack at the
// seam) out to distant hills, following landscapeHeight. Each quad maps the
// full width of a horizontally tiling texture; the texture's rows follow the
// distance from the field (soil, grassy bank, meadow, hazy hills).
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

namespace assetgen {

MeshBuilder buildTerrainBorder();
Image paintTerrainBorderTexture();

} // namespace assetgen
