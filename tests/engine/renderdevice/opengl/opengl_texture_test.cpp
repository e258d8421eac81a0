#include "engine/renderdevice/opengl/opengl_texture.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "support/assertion_recorder.h"
#include "support/gl_scene.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using Kestrel::OpenGLTexture;
using Kestrel::Texture;
using TestSupport::AssertionRecorder;
using TestSupport::pixelNear;
using TestSupport::Rgba8;

namespace {

// Colour times alpha: what BLEND_ALPHA leaves over black.
Rgba8 overBlack(Rgba8 c) {
    return {uint8_t(c.r * c.a / 255), uint8_t(c.g * c.a / 255), uint8_t(c.b * c.a / 255), 255};
}

class OpenGLTextureGlTest : public TestSupport::GlTest {
protected:
    void SetUp() override {
        TestSupport::GlTest::SetUp();
        m_Device.setProjectionMatrix(Kestrel::Matrix4());
        m_Device.setModelViewMatrix(Kestrel::Matrix4());
    }

    // Covers the whole viewport, the texture's first row at the top.
    void drawFullScreen(Texture* texture, Kestrel::BlendMode blend = Kestrel::BLEND_NONE) {
        TestSupport::Quad quad = TestSupport::makeQuad(m_Device, -1, -1, 1, 1);
        m_Device.setTexture(texture, 0);
        m_Device.setBlendMode(blend);
        m_Device.drawFaceList(quad.faces.get());
        m_Device.setBlendMode(Kestrel::BLEND_NONE);
    }

    // Draws the texture across the cleared screen (alpha blended over black) and
    // reads it back at the quadrant centres.
    void expectQuadrants(Texture* texture, const std::array<Rgba8, 4>& quadrants, bool alpha,
                         int tolerance) {
        const int centers[4][2] = {{160, 360}, {480, 360}, {160, 120}, {480, 120}};
        m_Device.clear(true, true);
        drawFullScreen(texture, alpha ? Kestrel::BLEND_ALPHA : Kestrel::BLEND_NONE);
        for (int q = 0; q < 4; ++q) {
            const Rgba8 expected = alpha ? overBlack(quadrants[q]) : quadrants[q];
            EXPECT_TRUE(pixelNear(centers[q][0], centers[q][1], expected, tolerance))
                << "quadrant " << q;
        }
    }

    Kestrel::OpenGLRenderDevice m_Device;
};

GLint levelParameter(unsigned handle, GLint level, GLenum name) {
    glBindTexture(GL_TEXTURE_2D, handle);
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint textureParameter(unsigned handle, GLenum name) {
    glBindTexture(GL_TEXTURE_2D, handle);
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

std::vector<uint8_t> solidPixels(unsigned count, Rgba8 color, int channels) {
    std::vector<uint8_t> pixels;
    const uint8_t c[4] = {color.r, color.g, color.b, color.a};
    for (unsigned i = 0; i < count; ++i)
        pixels.insert(pixels.end(), c, c + channels);
    return pixels;
}

Rgba8 readLevelTexel(unsigned handle, GLint level) {
    const GLint width = levelParameter(handle, level, GL_TEXTURE_WIDTH);
    const GLint height = levelParameter(handle, level, GL_TEXTURE_HEIGHT);
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return {pixels[0], pixels[1], pixels[2], pixels[3]};
}

// The internal format a colour image gets on the driver under test.
GLint colourStorage(bool alpha) {
    if (Kestrel::compressesColourTextures(reinterpret_cast<const char*>(glGetString(GL_RENDERER))))
        return alpha ? GL_COMPRESSED_RGBA_S3TC_DXT5_EXT : GL_COMPRESSED_RGB_S3TC_DXT1_EXT;
    return alpha ? GL_RGBA8 : GL_RGB8;
}

// The minification filter of a smooth texture on the driver under test.
GLint smoothMinFilter() {
    if (Kestrel::compressesColourTextures(reinterpret_cast<const char*>(glGetString(GL_RENDERER))))
        return GL_LINEAR_MIPMAP_LINEAR;
    return GL_LINEAR_MIPMAP_NEAREST;
}

// Each layout is written as a real file, found and decoded through the cache,
// drawn across the screen (alpha images blended over black) and read back at
// the quadrant centres.
TEST_F(OpenGLTextureGlTest, PngFilesOfEveryLayoutDrawTheirColours) {
    TestSupport::TempDir dir;
    Kestrel::ResourceManager resources;
    resources.addSearchPath(dir.path());
    for (const TestSupport::TestImage& image : TestSupport::makeTestImages()) {
        SCOPED_TRACE(image.name);
        ASSERT_TRUE(TestSupport::writePng(dir.file(image.name + ".png"), image.png));
        Texture* texture = resources.loadTexture(image.name + ".png", &m_Device);
        ASSERT_NE(texture, nullptr);
        ASSERT_NE(texture->getHandle(), 0u);
        EXPECT_EQ(levelParameter(texture->getHandle(), 0, GL_TEXTURE_INTERNAL_FORMAT),
                  colourStorage(image.hasAlpha));
        expectQuadrants(texture, image.quadrants, image.hasAlpha, TestSupport::S3TC_TOLERANCE);
    }
    resources.clear();
}

TEST_F(OpenGLTextureGlTest, EveryImageFormatDrawsItsColours) {
    Kestrel::ResourceManager resources;
    const std::vector<std::string> files = TestSupport::quadrantImageFiles();
    resources.addSearchPath(std::filesystem::path(files[0]).parent_path().string());
    for (const std::string& path : files) {
        const std::string name = std::filesystem::path(path).filename().string();
        SCOPED_TRACE(name);
        Texture* texture = resources.loadTexture(name, &m_Device);
        ASSERT_NE(texture, nullptr);
        ASSERT_NE(texture->getHandle(), 0u);
        const bool lossy =
            name.find(".jpg") != std::string::npos || name.find(".webp") != std::string::npos;
        expectQuadrants(texture, TestSupport::OPAQUE_COLORS, false,
                        lossy ? TestSupport::LOSSY_TOLERANCE : TestSupport::S3TC_TOLERANCE);
    }
    resources.clear();
}

// Evenly spread over the sorted list, so every run loads the same files.
std::vector<std::string> systemPngFiles(size_t limit) {
    std::vector<std::string> found;
    for (const char* root : {"/usr/share/icons", "/usr/share/pixmaps"}) {
        std::error_code error;
        if (!std::filesystem::is_directory(root, error))
            continue;
        auto options = std::filesystem::directory_options::skip_permission_denied;
        for (auto it = std::filesystem::recursive_directory_iterator(root, options, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().extension() == ".png" && it->is_regular_file(error))
                found.push_back(it->path().string());
        }
    }
    std::sort(found.begin(), found.end());
    if (found.size() <= limit)
        return found;
    std::vector<std::string> picked;
    for (size_t i = 0; i < limit; ++i)
        picked.push_back(found[i * found.size() / limit]);
    return picked;
}

TEST_F(OpenGLTextureGlTest, PngFilesOfTheSystemLoadWithoutHarm) {
    const std::vector<std::string> files = systemPngFiles(200);
    if (files.empty())
        GTEST_SKIP() << "no PNG files under /usr/share/icons or /usr/share/pixmaps";
    AssertionRecorder assertions;
    int loaded = 0;
    for (const std::string& file : files) {
        OpenGLTexture texture;
        if (texture.load(file)) {
            ++loaded;
            drawFullScreen(&texture, Kestrel::BLEND_ALPHA);
        }
    }
    // Undecodable files are reported, never fatal.
    EXPECT_EQ(size_t(loaded) + assertions.reports().size(), files.size());
    EXPECT_GT(loaded, 0);
}

TEST(OpenGLTextureTest, OnlySoftwareRasterizersKeepColourUncompressed) {
    for (const char* name : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa swrast"})
        EXPECT_FALSE(Kestrel::compressesColourTextures(name)) << name;
    for (const char* name : std::initializer_list<const char*>{"Mesa Intel(R) UHD Graphics 620",
                                                               "NVIDIA GeForce GTX 1080/PCIe/SSE2",
                                                               "AMD Radeon RX 580", "", nullptr})
        EXPECT_TRUE(Kestrel::compressesColourTextures(name)) << (name ? name : "null");
}

// Each case uploads as on a hardware driver and as on a software rasterizer.
TEST_F(OpenGLTextureGlTest, ColourTexturesChooseStorageByDriverWithAFullMipmapChain) {
    struct Case {
        Kestrel::TextureFormat format;
        int channels;
        const char* driver;
        bool compressed;
    };
    const char* HARDWARE = "NVIDIA GeForce";
    const char* SOFTWARE = "llvmpipe";
    for (const Case& c : {Case{Kestrel::FORMAT_RGB, 3, HARDWARE, true},
                          Case{Kestrel::FORMAT_RGBA, 4, HARDWARE, true},
                          Case{Kestrel::FORMAT_ALPHA, 1, HARDWARE, false},
                          Case{Kestrel::FORMAT_RGB, 3, SOFTWARE, false},
                          Case{Kestrel::FORMAT_RGBA, 4, SOFTWARE, false}}) {
        SCOPED_TRACE(std::string(c.driver) + " " + std::to_string(c.format));
        OpenGLTexture::setRendererOverride(c.driver);
        OpenGLTexture texture;
        const std::vector<uint8_t> pixels = solidPixels(64 * 16, TestSupport::GREEN, c.channels);
        ASSERT_TRUE(texture.create(c.format, 64, 16, pixels.data()));
        const std::vector<uint8_t> level1 = solidPixels(32 * 8, TestSupport::BLUE, c.channels);
        ASSERT_TRUE(texture.setMipmap(0, level1.data()));
        OpenGLTexture::setRendererOverride(nullptr);
        const unsigned handle = texture.getHandle();
        EXPECT_EQ(textureParameter(handle, GL_TEXTURE_MIN_FILTER),
                  c.driver == HARDWARE ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST);
        EXPECT_EQ(textureParameter(handle, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(handle, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
        EXPECT_EQ(textureParameter(handle, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
        // 64x16, 32x8, 16x4, 8x2, 4x1, 2x1, 1x1
        for (GLint level = 0; level <= 6; ++level) {
            EXPECT_EQ(levelParameter(handle, level, GL_TEXTURE_WIDTH), std::max(1, 64 >> level));
            EXPECT_EQ(levelParameter(handle, level, GL_TEXTURE_HEIGHT), std::max(1, 16 >> level));
            EXPECT_EQ(levelParameter(handle, level, GL_TEXTURE_COMPRESSED) != 0, c.compressed);
        }
    }
}

TEST_F(OpenGLTextureGlTest, CreateRefusesUnknownFormatsAndMissingPixels) {
    AssertionRecorder assertions;
    const std::vector<uint8_t> pixels = solidPixels(4, TestSupport::RED, 4);
    {
        OpenGLTexture texture;
        EXPECT_FALSE(texture.create(static_cast<Kestrel::TextureFormat>(3), 2, 2, pixels.data()));
        EXPECT_TRUE(assertions.reported("false"));
        EXPECT_NE(texture.getHandle(), 0u);
    }
    {
        OpenGLTexture texture;
        EXPECT_FALSE(texture.create(Kestrel::FORMAT_RGB, 2, 2, nullptr));
        EXPECT_TRUE(assertions.reported("pixels != null"));
    }
    {
        // A second create replaces the first name instead of leaking it.
        OpenGLTexture texture;
        texture.create(Kestrel::FORMAT_RGBA, 2, 2, pixels.data());
        const unsigned first = texture.getHandle();
        texture.create(Kestrel::FORMAT_RGBA, 2, 2, pixels.data());
        EXPECT_NE(texture.getHandle(), 0u);
        EXPECT_FALSE(glIsTexture(first) && first != texture.getHandle());
    }
}

// A 2 x 2 alpha texture (opaque on the diagonal) across the screen: nearest
// sampling gives hard quarters, smooth filtering blends towards the middle.
TEST_F(OpenGLTextureGlTest, FilteringSwitchesBetweenTrilinearAndNearest) {
    OpenGLTexture texture;
    const uint8_t alpha[4] = {255, 0, 0, 255};
    ASSERT_TRUE(texture.create(Kestrel::FORMAT_ALPHA, 2, 2, alpha));

    texture.setFiltering(false);
    EXPECT_EQ(textureParameter(texture.getHandle(), GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(texture.getHandle(), GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    drawFullScreen(&texture, Kestrel::BLEND_ALPHA);
    EXPECT_TRUE(pixelNear(300, 300, TestSupport::WHITE, 0));
    EXPECT_TRUE(pixelNear(340, 300, TestSupport::BLACK, 0));

    texture.setFiltering(true);
    EXPECT_EQ(textureParameter(texture.getHandle(), GL_TEXTURE_MIN_FILTER), smoothMinFilter());
    EXPECT_EQ(textureParameter(texture.getHandle(), GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    m_Device.clear(true, true);
    drawFullScreen(&texture, Kestrel::BLEND_ALPHA);
    const TestSupport::Rgba mixed = TestSupport::readPixel(300, 300);
    EXPECT_GT(mixed.r, 100);
    EXPECT_LT(mixed.r, 200);

    AssertionRecorder assertions;
    OpenGLTexture empty;
    glBindTexture(GL_TEXTURE_2D, texture.getHandle());
    empty.setFiltering(false);
    EXPECT_TRUE(assertions.reported("m_TextureHandle != 0"));
    EXPECT_EQ(textureParameter(texture.getHandle(), GL_TEXTURE_MIN_FILTER), smoothMinFilter());
}

TEST_F(OpenGLTextureGlTest, SetMipmapReplacesOneLevelBelowFullSize) {
    OpenGLTexture texture;
    const std::vector<uint8_t> red = solidPixels(64 * 64, TestSupport::RED, 3);
    ASSERT_TRUE(texture.create(Kestrel::FORMAT_RGB, 64, 64, red.data()));
    const std::vector<uint8_t> green = solidPixels(32 * 32, TestSupport::GREEN, 3);
    EXPECT_TRUE(texture.setMipmap(0, green.data()));
    EXPECT_EQ(levelParameter(texture.getHandle(), 1, GL_TEXTURE_WIDTH), 32);
    const Rgba8 level1 = readLevelTexel(texture.getHandle(), 1);
    EXPECT_TRUE(TestSupport::colorNear({level1.r, level1.g, 0, 0}, {0, 255, 0, 0}, 3));
    EXPECT_EQ(readLevelTexel(texture.getHandle(), 0).r, 255);

    // 64 halves six times to 1 x 1: index 5 is the last level there is.
    const std::vector<uint8_t> one = solidPixels(1, TestSupport::BLUE, 3);
    EXPECT_TRUE(texture.setMipmap(5, one.data()));
    AssertionRecorder assertions;
    EXPECT_FALSE(texture.setMipmap(6, one.data()));
    EXPECT_TRUE(assertions.reported("false"));
}

TEST_F(OpenGLTextureGlTest, SetMipmapRefusesWhatHasNoLevelBelow) {
    AssertionRecorder assertions;
    const std::vector<uint8_t> pixels = solidPixels(4, TestSupport::RED, 3);
    {
        OpenGLTexture tiny;
        tiny.create(Kestrel::FORMAT_RGB, 1, 1, pixels.data());
        EXPECT_FALSE(tiny.setMipmap(0, pixels.data()));
        EXPECT_TRUE(assertions.reported("false"));
    }
    {
        OpenGLTexture empty;
        EXPECT_FALSE(empty.setMipmap(0, pixels.data()));
        EXPECT_TRUE(assertions.reported("m_TextureHandle != 0"));
    }
    {
        // A side that reaches 1 stays 1 while the other still halves.
        OpenGLTexture strip;
        strip.create(Kestrel::FORMAT_RGB, 4, 1, pixels.data());
        assertions.clear();
        EXPECT_TRUE(strip.setMipmap(0, pixels.data()));
        EXPECT_EQ(levelParameter(strip.getHandle(), 1, GL_TEXTURE_WIDTH), 2);
        EXPECT_EQ(levelParameter(strip.getHandle(), 1, GL_TEXTURE_HEIGHT), 1);
        EXPECT_TRUE(assertions.reports().empty());
    }
}

} // namespace
