// Writes PNG files for tests with libpng, in any layout without a palette, so
// image decoding can be checked against known pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace TestSupport {

struct PngImage {
    int width = 0;
    int height = 0;
    int colorType = 0; // a PNG_COLOR_TYPE_* value
    int bitDepth = 8;
    // Rows top first, each packed as the PNG stores it (16-bit samples big-endian,
    // sub-byte samples filling bytes from the high bits); no padding between rows.
    std::vector<uint8_t> rows;
};

// False (with a message on standard error) when the file cannot be written.
bool writePng(const std::string& path, const PngImage& image);

} // namespace TestSupport
