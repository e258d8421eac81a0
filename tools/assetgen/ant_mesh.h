// Builds the skinned ant meshes: head with eyes, elbowed antennae and
// mandibles, thorax, petiole, gaster and six legs of four segments, on the
// shared skeleton of ant_anatomy.h. The kinds differ in texture, shader and a
// few proportions; every one stays under about 1000 triangles.
#pragma once

#include "tools/assetgen/mesh_builder.h"

#include <cstdint>
#include <string>

namespace assetgen {

struct AntStyle {
    std::string texture;
    std::string fragmentShader;
    double headScale = 1.0;
    double gasterScale = 1.0;
    double mandibleScale = 1.0;
    double lumpiness = 0.0;     // uneven, swollen body surface (mesh units)
    bool brokenAntenna = false; // the left antenna ends in a stump
    std::uint32_t seed = 1;
};

MeshBuilder buildAntMesh(const AntStyle& style);

} // namespace assetgen
