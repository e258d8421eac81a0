#include "tools/assetgen/ants.h"

namespace assetgen {

namespace {

// Head, thorax, gaster, leg, mandible, eye, highlight, seam, blotch.
const AntColors SOLDIER_COLORS = {{0.15, 0.09, 0.065}, {0.36, 0.15, 0.07},   {0.12, 0.08, 0.06},
                                  {0.28, 0.14, 0.07},  {0.34, 0.15, 0.06},   {0.03, 0.03, 0.035},
                                  {0.55, 0.34, 0.16},  {0.02, 0.015, 0.012}, {}};
const AntColors FIRE_COLORS = {{0.60, 0.09, 0.035}, {0.68, 0.13, 0.045}, {0.34, 0.05, 0.025},
                               {0.58, 0.12, 0.045}, {0.55, 0.12, 0.04},  {1.0, 0.80, 0.25},
                               {1.0, 0.62, 0.18},   {0.12, 0.02, 0.01},  {}};
const AntColors ZOMBIE_COLORS = {{0.74, 0.75, 0.68}, {0.70, 0.72, 0.65}, {0.68, 0.70, 0.62},
                                 {0.62, 0.62, 0.56}, {0.48, 0.44, 0.36}, {0.90, 0.92, 0.86},
                                 {0.86, 0.87, 0.80}, {0.30, 0.27, 0.24}, {0.42, 0.48, 0.30}};

} // namespace

// Palettes: colours, mottling, glow, seed.
const AntKind ANT_KINDS[3] = {{"ant.kst",
                               {"ant.png", "ant.vert", 1.0, 1.0, 1.0, 0.0, false, 3},
                               {SOLDIER_COLORS, 0.0, false, 11}},
                              {"fireant.kst",
                               {"fireant.png", "fireant.vert", 1.08, 1.0, 1.15, 0.0, false, 5},
                               {FIRE_COLORS, 0.0, true, 23}},
                              {"zombieant.kst",
                               {"zombieant.png", "zombieant.vert", 1.0, 1.07, 1.0, 0.03, true, 7},
                               {ZOMBIE_COLORS, 1.0, false, 37}}};

void writeAnts(Output& out) {
    for (const AntKind& kind : ANT_KINDS)
        out.mesh(kind.mesh, buildAntMesh(kind.style));
    for (const AntKind& kind : ANT_KINDS)
        out.image(kind.style.texture, paintAntTexture(kind.palette));
    for (const TextFile& animation : antAnimations())
        out.text(animation);
}

} // namespace assetgen
