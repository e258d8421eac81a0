// Recognises an image file's format from its first bytes (TGA, which has none,
// from its name) and checks that its structure lies inside the file before the
// image library decodes it: that library's readers loop for ever or crash on
// some broken files. Sides are in pixels; the bytes stay the caller's.
#pragma once

#include <cstdint>
#include <string>

namespace Kestrel {

// Larger images are refused before decoding: they exceed what drivers take as
// one texture, and the decoded copies alone would take gigabytes.
const uint32_t MAX_IMAGE_SIDE = 8192;

enum ImageFormat {
    IMAGE_UNKNOWN,
    IMAGE_PNG,
    IMAGE_JPEG,
    IMAGE_BMP,
    IMAGE_ICO,
    IMAGE_CUR,
    IMAGE_GIF,
    IMAGE_TGA,
    IMAGE_PNM,
    IMAGE_TIFF,
    IMAGE_XPM,
    IMAGE_WEBP,
    IMAGE_PCX,
    IMAGE_FORMAT_COUNT
};

struct ImageCheck {
    ImageFormat format;
    const char* problem; // what is wrong with the file, null when it may be decoded
};

ImageCheck checkImageFile(const std::string& bytes, const std::string& path);

} // namespace Kestrel
