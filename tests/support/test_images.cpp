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

TestImage blank(const std::string& name, int width, int height, int colorType, int bitDepth) {
    TestImage image;
    image.name = name;
    image.hasAlpha = false;
    image.quadrants = OPAQUE_COLORS;
    image.png.width = width;
    image.png.height = height;
    image.png.colorType = colorType;
    image.png.bitDepth = bitDepth;
    return image;
}

// Writes one sample per pixel of `bits` bits (1, 2, 4 or 8), packed high bits first.
void packSamples(TestImage& image, int bits) {
    const int perByte = 8 / bits;
    const size_t stride = (size_t(image.png.width) * bits + 7) / 8;
    image.png.rows.assign(stride * image.png.height, 0);
    for (int y = 0; y < image.png.height; ++y) {
        for (int x = 0; x < image.png.width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            image.png.rows[y * stride + x / perByte] |= uint8_t(image.quadrantAt(x, y) << shift);
        }
    }
}

// Direct colour: channels 3 or 4, 8 or 16 bits (16-bit samples carry a low byte
// the decoder must drop).
TestImage direct(const std::string& name, int width, int height, bool alpha, int bitDepth) {
    TestImage image =
        blank(name, width, height, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, bitDepth);
    image.hasAlpha = alpha;
    if (alpha)
        image.quadrants = TRANSLUCENT_COLORS;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba8 c = image.expected(x, y);
            const uint8_t channels[4] = {c.r, c.g, c.b, c.a};
            for (int i = 0; i < (alpha ? 4 : 3); ++i) {
                image.png.rows.push_back(channels[i]);
                if (bitDepth == 16)
                    image.png.rows.push_back(0x2a);
            }
        }
    }
    return image;
}

TestImage paletted(const std::string& name, int width, int height, int bitDepth, bool translucent) {
    TestImage image = blank(name, width, height, PNG_COLOR_TYPE_PALETTE, bitDepth);
    image.hasAlpha = translucent;
    if (translucent)
        image.quadrants = TRANSLUCENT_COLORS;
    for (const Rgba8& c : image.quadrants) {
        image.png.palette.insert(image.png.palette.end(), {c.r, c.g, c.b});
        if (translucent)
            image.png.transparency.push_back(c.a);
    }
    packSamples(image, bitDepth);
    return image;
}

TestImage grey(const std::string& name, int width, int height, int bitDepth, bool alpha) {
    TestImage image = blank(name, width, height,
                            alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY, bitDepth);
    image.hasAlpha = alpha;
    for (int q = 0; q < 4; ++q) {
        const uint8_t alphaValue = alpha ? TRANSLUCENT_COLORS[q].a : 255;
        image.quadrants[q] = {GREYS[q], GREYS[q], GREYS[q], alphaValue};
    }
    if (!alpha) {
        // 2-bit greys 0..3 scale to 0, 85, 170, 255; 8-bit ones are stored as is.
        if (bitDepth == 8) {
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    image.png.rows.push_back(image.expected(x, y).r);
        } else {
            packSamples(image, bitDepth);
        }
        return image;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.png.rows.push_back(image.expected(x, y).r);
            image.png.rows.push_back(image.expected(x, y).a);
        }
    }
    return image;
}

} // namespace

std::vector<TestImage> makeTestImages() {
    return {
        direct("rgb", 16, 16, false, 8),        direct("rgba", 16, 16, true, 8),
        paletted("palette8", 16, 16, 8, false), paletted("palette4-translucent", 15, 16, 4, true),
        grey("grey8", 16, 16, 8, false),        grey("grey2", 14, 16, 2, false),
        grey("grey-alpha", 16, 16, 8, true),    direct("rgb16", 16, 16, false, 16),
        direct("rgba16", 16, 16, true, 16),     direct("rgb-width10", 10, 8, false, 8),
        direct("rgba-48x40", 48, 40, true, 8),
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
