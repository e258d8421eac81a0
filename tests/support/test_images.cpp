#include "support/test_images.h"

#include <png.h>

#include <algorithm>
#include <filesystem>

namespace TestSupport {

const std::array<Rgba8, 4> OPAQUE_COLORS = {
    {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}}};

namespace {

const std::array<Rgba8, 4> TRANSLUCENT_COLORS = {
    {{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 64}, {255, 255, 255, 0}}};
const std::array<uint8_t, 4> GREYS = {0, 85, 170, 255};

// The samples PNG stores for quadrant q: palette and sub-byte grey images store
// the index (2-bit greys 0..3 scale to 0, 85, 170, 255).
std::vector<uint8_t> samples(const TestImage& image, int q) {
    const Rgba8 c = image.quadrants[q];
    switch (image.png.colorType) {
    case PNG_COLOR_TYPE_RGB:
        return {c.r, c.g, c.b};
    case PNG_COLOR_TYPE_RGBA:
        return {c.r, c.g, c.b, c.a};
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return {c.r, c.a};
    case PNG_COLOR_TYPE_GRAY:
        return {uint8_t(image.png.bitDepth == 8 ? c.r : q)};
    }
    return {uint8_t(q)};
}

// Packs the samples of every pixel, sub-byte ones from the high bits; 16-bit
// samples carry a low byte the decoder must drop.
TestImage layout(const std::string& name, int width, int height, int colorType, int bitDepth,
                 bool alpha) {
    const bool grey = colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
    TestImage image{name, alpha, alpha ? TRANSLUCENT_COLORS : OPAQUE_COLORS,
                    PngImage{width, height, colorType, bitDepth, {}, {}, {}}};
    for (int q = 0; q < 4; ++q) {
        Rgba8& c = image.quadrants[q];
        if (grey)
            c = {GREYS[q], GREYS[q], GREYS[q], c.a};
        if (colorType == PNG_COLOR_TYPE_PALETTE)
            image.png.palette.insert(image.png.palette.end(), {c.r, c.g, c.b});
        if (colorType == PNG_COLOR_TYPE_PALETTE && alpha)
            image.png.transparency.push_back(c.a);
    }
    std::vector<uint8_t>& rows = image.png.rows;
    for (int y = 0; y < height; ++y) {
        int bit = 0;
        for (int x = 0; x < width; ++x) {
            for (uint8_t sample : samples(image, image.quadrantAt(x, y))) {
                if (bitDepth < 8) {
                    if (bit % 8 == 0)
                        rows.push_back(0);
                    rows.back() |= uint8_t(sample << (8 - bitDepth - bit % 8));
                    bit += bitDepth;
                    continue;
                }
                rows.push_back(sample);
                if (bitDepth == 16)
                    rows.push_back(0x2a);
            }
        }
    }
    return image;
}

} // namespace

std::vector<TestImage> makeTestImages() {
    return {
        layout("rgb", 16, 16, PNG_COLOR_TYPE_RGB, 8, false),
        layout("rgba", 16, 16, PNG_COLOR_TYPE_RGBA, 8, true),
        layout("palette8", 16, 16, PNG_COLOR_TYPE_PALETTE, 8, false),
        layout("palette4-translucent", 15, 16, PNG_COLOR_TYPE_PALETTE, 4, true),
        layout("grey8", 16, 16, PNG_COLOR_TYPE_GRAY, 8, false),
        layout("grey2", 14, 16, PNG_COLOR_TYPE_GRAY, 2, false),
        layout("grey-alpha", 16, 16, PNG_COLOR_TYPE_GRAY_ALPHA, 8, true),
        layout("rgb16", 16, 16, PNG_COLOR_TYPE_RGB, 16, false),
        layout("rgba16", 16, 16, PNG_COLOR_TYPE_RGBA, 16, true),
        layout("rgb-width10", 10, 8, PNG_COLOR_TYPE_RGB, 8, false),
        layout("rgba-48x40", 48, 40, PNG_COLOR_TYPE_RGBA, 8, true),
    };
}

std::vector<std::string> quadrantImageFiles() {
    const std::filesystem::path directory =
        std::filesystem::path(FORMIK_SOURCE_DIR) / "fuzz" / "corpus" / "image_texture";
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().stem() == "quadrants")
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::stable_partition(files.begin(), files.end(), [](const std::string& file) {
        return std::filesystem::path(file).extension() == ".png";
    });
    return files;
}

} // namespace TestSupport
