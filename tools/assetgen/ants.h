// The three kinds of ant on the shared body plan of ant_anatomy.h: the soldier
// ("ant.kst"), fire and zombie ant meshes (under about 1000 triangles each,
// differing in texture, shader and a few proportions), their chitin texture
// atlases (the fire ant's glow mask in alpha) and the ant animations: walk,
// idle, throw, die, fire, zombie bite and the title screen's two pointing poses.
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/output.h"

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct AntStyle {
    std::string texture;
    std::string vertexShader; // with the shared "chitin.frag"
    double headScale = 1.0;
    double gasterScale = 1.0;
    double mandibleScale = 1.0;
    double lumpiness = 0.0;     // uneven, swollen body surface (mesh units)
    bool brokenAntenna = false; // the left antenna ends in a stump
    std::uint32_t seed = 1;
};

struct AntColors {
    Color head, thorax, gaster, leg, mandible, eye;
    Color highlight; // plate margins, mid-segments
    Color seam;      // sutures between plates and at joints
    Color blotch;    // patches of a diseased skin
};

struct AntPalette : AntColors {
    double mottling = 0.0;
    bool glow = false; // alpha holds where the ant glows
    std::uint32_t seed = 1;
};

struct AntKind {
    const char* mesh;
    AntStyle style;
    AntPalette palette;
};

extern const AntKind ANT_KINDS[3];

MeshBuilder buildAntMesh(const AntStyle& style);
Image paintAntTexture(const AntPalette& palette);
// File name and .ksta text of every ant animation.
std::vector<TextFile> antAnimations();

void writeAnts(Output& out);

} // namespace assetgen
