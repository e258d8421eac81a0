// Plants around the field: a few broad-leaved trees (bark lit by the fixed
// pipeline, leafy crowns by the foliage shader) and tufts of grass on the bank
// outside the field, cut out of their cards by the texture's alpha.
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

namespace assetgen {

MeshBuilder buildTrees();
Image paintTreeTexture();
MeshBuilder buildGrass();
Image paintGrassTexture();

} // namespace assetgen
