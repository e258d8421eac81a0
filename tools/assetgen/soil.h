// Colours of the ground shared by the playing field's texture and the
// terrain border, so that the two meet without a visible change of soil.
#pragma once

#include "tools/assetgen/image.h"

namespace assetgen::soil {

const Color DIRT{0.44, 0.33, 0.21};
const Color DARK_DIRT{0.29, 0.20, 0.12};
const Color SAND{0.66, 0.52, 0.33};
const Color GRASS{0.27, 0.40, 0.14};
const Color LIGHT_GRASS{0.46, 0.56, 0.22};
const Color DRY_GRASS{0.55, 0.52, 0.28};
const Color PEBBLE{0.58, 0.55, 0.50};

// Bare earth with clods and darker damp patches; x, y are noise coordinates
// (the caller chooses scale and period).
Color earth(double x, double y, int period);

// Grass over earth: `cover` 0 is bare earth, 1 dense grass; `detail` 1 keeps
// every blade and clod, 0 only the broad patches (for distant land).
Color meadow(double x, double y, int period, double cover, double detail = 1.0);

} // namespace assetgen::soil
