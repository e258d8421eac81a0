// The 3D title: the game's name in the game's font, extruded into solid
// letters (front cap, back cap, side walls) in mesh coordinates centred on the
// origin. The front faces -z, towards the title camera, and the letters read
// left to right from there, where world +x appears on the left.
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

#include <string>

namespace assetgen {

struct TitleAssets {
    MeshBuilder mesh;
    Image texture;
};

// Throws std::runtime_error when the font cannot be read or triangulated.
TitleAssets buildTitle(const std::string& fontPath, const std::string& text = "Formik");

} // namespace assetgen
