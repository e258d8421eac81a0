// The GLSL 1.20 programs that the generated meshes' materials name. They read
// their colour through the sampler "texture" (unit 0) and light themselves with
// light 0; the game's camera sits in the projection matrix, so the model-view
// matrix is the object's world matrix and "eye space" is world space.
#pragma once

#include "tools/assetgen/output.h"

#include <vector>

namespace assetgen {

std::vector<TextFile> shaderSources();

} // namespace assetgen
