// Plants around the field: a few broad-leaved trees (bark lit by the fixed
// pipeline, leafy crowns by the foliage shader) and tufts of grass on the bank
// outside the field, drawn by the game with alpha blending and no depth test.
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

namespace assetgen {

MeshBuilder buildTrees();
Image paintTreeTexture();
MeshBuilder buildGrass();
Image paintGrassTexture();

} // namespace assetgen
