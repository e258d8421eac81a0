#include "tools/assetgen/image.h"

#include "tools/assetgen/ground_textures.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <vector>

using assetgen::Color;
using assetgen::Image;

namespace {

std::filesystem::path scratchFile(const char* name) {
    const auto dir = std::filesystem::temp_directory_path() / "assetgen_image_test";
    std::filesystem::create_directories(dir);
    return dir / name;
}

struct Decoded {
    png_uint_32 width = 0, height = 0, format = 0;
    std::vector<unsigned char> pixels;
};

Decoded decode(const std::filesystem::path& path, bool alpha) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Decoded out;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return out;
    out.format = image.format;
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    out.pixels.assign(PNG_IMAGE_SIZE(image), 0xEE);
    png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr);
    out.width = image.width;
    out.height = image.height;
    return out;
}

TEST(PngWriterTest, FirstRowIsWrittenFirstAndAlphaOnlyWhenAsked) {
    Image rgb(2, 3, false);
    rgb.set(0, 0, {1, 0, 0});
    rgb.set(1, 2, {0, 0, 1});
    const auto path = scratchFile("rgb.png");
    ASSERT_TRUE(assetgen::writePng(rgb, path.string()));
    const Decoded d = decode(path, false);
    ASSERT_EQ(d.width, 2u);
    ASSERT_EQ(d.height, 3u);
    EXPECT_EQ(d.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    EXPECT_EQ(d.pixels[0], 255) << "row 0 is the image's first row";
    EXPECT_EQ(d.pixels[(2 * 2 + 1) * 3 + 2], 255);

    Image rgba(1, 1, true);
    rgba.set(0, 0, Color(0.5, 0.5, 0.5, 0.25));
    const auto alphaPath = scratchFile("rgba.png");
    ASSERT_TRUE(assetgen::writePng(rgba, alphaPath.string()));
    const Decoded a = decode(alphaPath, true);
    EXPECT_NE(a.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    EXPECT_EQ(a.pixels[3], 64);
}

TEST(PngWriterTest, UnwritablePathFails) {
    EXPECT_FALSE(assetgen::writePng(Image(1, 1, false), "/nonexistent-dir/x.png"));
}

TEST(ImageTest, ColoursAreClampedWhenStored) {
    Image image(1, 1, true);
    image.set(0, 0, Color(1.7, -0.3, 0.5, 2.0));
    const Color c = image.get(0, 0);
    EXPECT_DOUBLE_EQ(c.r, 1.0);
    EXPECT_DOUBLE_EQ(c.g, 0.0);
    EXPECT_NEAR(c.b, 0.5, 0.003);
    EXPECT_DOUBLE_EQ(c.a, 1.0);
}

TEST(ImageTest, ReducedAveragesEachBlock) {
    Image image(4, 2, true);
    const double values[2][4] = {{0.0, 0.4, 1.0, 1.0}, {0.8, 0.4, 0.2, 0.2}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            image.set(x, y, Color(values[y][x], 1.0 - values[y][x], 0.5, values[y][x]));
    const Image half = image.reduced(2);
    ASSERT_EQ(half.width(), 2);
    ASSERT_EQ(half.height(), 1);
    EXPECT_TRUE(half.hasAlpha());
    EXPECT_NEAR(half.get(0, 0).r, 0.4, 0.004);
    EXPECT_NEAR(half.get(0, 0).g, 0.6, 0.004);
    EXPECT_NEAR(half.get(1, 0).a, 0.6, 0.004);
}

double alphaAt(const Image& image, double u, double v) {
    return image.get(static_cast<int>(u * image.width()), static_cast<int>(v * image.height())).a;
}

TEST(ParticleTextureTest, FlameAndSmokeFillTheirCellsWithSoftEdges) {
    const Image particles = assetgen::paintParticles();
    ASSERT_TRUE(particles.hasAlpha());
    EXPECT_GT(alphaAt(particles, 0.125, 0.14), 0.6) << "flame";
    EXPECT_GT(alphaAt(particles, 0.875, 0.125), 0.3) << "smoke";
    for (double u = 0.0; u < 1.0; u += 1.0 / 64.0) {
        EXPECT_EQ(alphaAt(particles, u, 0.5), 0.0) << "below the cells";
        EXPECT_LT(alphaAt(particles, u, 0.0), 0.05) << "top edge";
        EXPECT_LT(alphaAt(particles, u, 0.249), 0.05) << "bottom edge";
    }
    for (double v = 0.0; v < 0.25; v += 1.0 / 256.0) {
        EXPECT_EQ(alphaAt(particles, 0.5, v), 0.0) << "between the cells";
        EXPECT_LT(alphaAt(particles, 0.0, v), 0.05);
        EXPECT_LT(alphaAt(particles, 0.249, v), 0.05);
        EXPECT_LT(alphaAt(particles, 0.75, v), 0.05);
    }
}

TEST(GroundTextureTest, CoversTheGridOnce) {
    const Image ground = assetgen::paintCenterTerrain();
    EXPECT_EQ(ground.width(), ground.height());
    EXPECT_FALSE(ground.hasAlpha());
    // The high ant hill at x = 15, z = 11..15 is sand, lighter than open soil.
    auto at = [&](double x, double z) {
        const Color c = ground.get(static_cast<int>((x + 2.0) * 0.05 * ground.width()),
                                   static_cast<int>((z + 2.0) * 0.05 * ground.height()));
        return c.r + c.g + c.b;
    };
    EXPECT_GT(at(15.0, 13.0), at(9.0, 4.5));
}

} // namespace
