// Test pictures split into four quadrants of known colour, so a decoded or
// drawn texture can be checked at the quadrant centres whatever its size: the
// same picture in every format the loader reads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace TestSupport {

struct Rgba8 {
    uint8_t r, g, b, a;
};

// How far a channel of a lossy format (JPEG, WebP) may stray from the PNG.
const int LOSSY_TOLERANCE = 48;

// The colours of the quadrants, top-left first.
extern const std::array<Rgba8, 4> OPAQUE_COLORS;

// One 16 x 16 picture of the opaque quadrants in every format the texture
// loader reads, from the image fuzz corpus; the PNG comes first.
std::vector<std::string> quadrantImageFiles();

} // namespace TestSupport
