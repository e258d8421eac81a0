// Paints the ant texture atlases (layout in ant_anatomy.h): chitin with
// segment plates, jointed legs, toothed mandibles and faceted eyes. The fire
// ant's atlas carries a glow mask in its alpha channel for its shader.
#pragma once

#include "tools/assetgen/image.h"

#include <cstdint>

namespace assetgen {

struct AntPalette {
    Color head, thorax, gaster, leg, mandible, eye;
    Color highlight; // plate margins, mid-segments
    Color seam;      // sutures between plates and at joints
    Color blotch;    // patches of a diseased skin
    double mottling = 0.0;
    bool glow = false; // alpha holds where the ant glows
    std::uint32_t seed = 1;
};

Image paintAntTexture(const AntPalette& palette);

} // namespace assetgen
