// Test pictures split into four quadrants of known colour, so a decoded or
// drawn texture can be checked at the quadrant centres whatever its size: one
// written here as a PNG, and the same picture in every format the loader reads.
#pragma once

#include "support/png_file.h"

#include <array>
#include <string>
#include <vector>

namespace TestSupport {

struct Rgba8 {
    uint8_t r, g, b, a;
};

struct TestImage {
    std::string name;               // also the file name, with ".png"
    bool hasAlpha;                  // decodes to RGBA, else RGB
    std::array<Rgba8, 4> quadrants; // top-left, top-right, bottom-left, bottom-right
    PngImage png;
};

// A 16 x 16 RGB PNG of OPAQUE_COLORS.
std::vector<TestImage> makeTestImages();

// How far a channel of a lossy format (JPEG, WebP) may stray from the PNG.
const int LOSSY_TOLERANCE = 48;

// The opaque colours of makeTestImages' quadrants, top-left first.
extern const std::array<Rgba8, 4> OPAQUE_COLORS;

// One 16 x 16 picture of the opaque quadrants in every format the texture
// loader reads, from the image fuzz corpus; the PNG comes first.
std::vector<std::string> quadrantImageFiles();

} // namespace TestSupport
