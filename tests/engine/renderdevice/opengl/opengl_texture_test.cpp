#include "engine/renderdevice/opengl/opengl_texture.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "support/assertion_recorder.h"
#include "support/gl_scene.h"

#include <GL/glew.h>

#include <algorithm>
#include <vector>

using namespace Kestrel;
using namespace TestSupport;

namespace {

class OpenGLTextureGlTest : public GlTest {
protected:
    // Covers the cleared viewport, the texture's first row at the top, blended over black.
    void drawFullScreen(Texture* texture) {
        Quad quad = makeQuad(m_Device, -1, -1, 1, 1);
        m_Device.clear(true, true);
        m_Device.setTexture(texture, 0);
        m_Device.setBlendMode(BLEND_ALPHA);
        m_Device.drawFaceList(quad.faces.get());
    }

    OpenGLRenderDevice m_Device;
};

GLint parameter(unsigned handle, GLenum name, GLint level = -1) {
    glBindTexture(GL_TEXTURE_2D, handle);
    GLint value = -1;
    if (level < 0)
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    else
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// The driver name textures go by while it lives; the real one after, also when
// an assertion ends a test early.
struct RendererOverride {
    explicit RendererOverride(const char* name) { OpenGLTexture::setRendererOverride(name); }
    ~RendererOverride() { OpenGLTexture::setRendererOverride(nullptr); }
};

// Each case uploads as the driver of that name would have it: only software
// rasterizers keep colour uncompressed.
TEST_F(OpenGLTextureGlTest, ColourTexturesChooseStorageByDriverWithAFullMipmapChain) {
    struct Case {
        TextureFormat format;
        int channels;
        const char* renderer;
        bool hardware, compressed;
    };
    const Case cases[] = {
        {FORMAT_RGB, 3, "NVIDIA GeForce GTX 1080", true, true},
        {FORMAT_RGBA, 4, "Mesa Intel(R) UHD Graphics 620", true, true},
        {FORMAT_ALPHA, 1, "", true, false},
        {FORMAT_RGB, 3, "llvmpipe (LLVM 15.0.6, 256 bits)", false, false},
        {FORMAT_RGBA, 4, "softpipe", false, false},
        {FORMAT_RGB, 3, "Mesa swrast", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.format) + " " + c.renderer);
        OpenGLTexture texture;
        {
            const RendererOverride driver(c.renderer);
            ASSERT_TRUE(
                texture.create(c.format, 64, 16, solidPixels(64 * 16, GREEN, c.channels).data()));
            ASSERT_TRUE(texture.setMipmap(0, solidPixels(32 * 8, BLUE, c.channels).data()));
        }
        const unsigned handle = texture.getHandle();
        EXPECT_EQ(parameter(handle, GL_TEXTURE_MIN_FILTER),
                  c.hardware ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST);
        EXPECT_EQ(parameter(handle, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(parameter(handle, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
        EXPECT_EQ(parameter(handle, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
        // 64x16, 32x8, 16x4, 8x2, 4x1, 2x1, 1x1
        for (GLint level = 0; level <= 6; ++level) {
            EXPECT_EQ(parameter(handle, GL_TEXTURE_WIDTH, level), std::max(1, 64 >> level));
            EXPECT_EQ(parameter(handle, GL_TEXTURE_HEIGHT, level), std::max(1, 16 >> level));
            EXPECT_EQ(parameter(handle, GL_TEXTURE_COMPRESSED, level) != 0, c.compressed);
        }
    }
}

// A refused image leaves the texture empty, also one that held an image
// before: no name, and no old size for a later mipmap level.
TEST_F(OpenGLTextureGlTest, CreateRefusesUnknownFormatsAndImagesWithoutPixels) {
    const std::vector<uint8_t> pixels = solidPixels(16, RED, 4);
    const struct {
        TextureFormat format;
        unsigned width;
        const void* pixels;
        const char* report;
    } cases[] = {
        {static_cast<TextureFormat>(3), 2, pixels.data(), "false"},
        {FORMAT_RGB, 2, nullptr, "pixels != null"},
        {FORMAT_RGB, 0, pixels.data(), "built == 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report);
        for (bool filledBefore : {false, true}) {
            OpenGLTexture texture;
            if (filledBefore) {
                ASSERT_TRUE(texture.create(FORMAT_RGBA, 4, 4, pixels.data()));
            }
            AssertionRecorder assertions;
            EXPECT_FALSE(texture.create(c.format, c.width, 2, c.pixels));
            EXPECT_EQ(texture.getHandle(), 0u);
            EXPECT_FALSE(texture.setMipmap(0, pixels.data()));
            EXPECT_EQ(assertions.reports(),
                      (std::vector<std::string>{c.report, "m_TextureHandle != 0"}));
        }
    }
    OpenGLTexture twice;
    // A second create replaces the first name instead of leaking it.
    twice.create(FORMAT_RGBA, 2, 2, pixels.data());
    const unsigned first = twice.getHandle();
    twice.create(FORMAT_RGBA, 2, 2, pixels.data());
    EXPECT_NE(twice.getHandle(), 0u);
    EXPECT_FALSE(glIsTexture(first) && first != twice.getHandle());
}

// A 2 x 2 alpha texture (opaque on the diagonal) across the screen: nearest
// sampling gives hard quarters, smooth filtering blends towards the middle.
TEST_F(OpenGLTextureGlTest, FilteringSwitchesBetweenTrilinearAndNearest) {
    OpenGLTexture texture;
    const uint8_t alpha[4] = {255, 0, 0, 255};
    ASSERT_TRUE(texture.create(FORMAT_ALPHA, 2, 2, alpha));
    texture.setFiltering(false);
    EXPECT_EQ(parameter(texture.getHandle(), GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(texture.getHandle(), GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    drawFullScreen(&texture);
    expectSpots({{300, 300, WHITE}, {340, 300, BLACK}}, 0);

    const struct {
        const char* renderer;
        GLint minFilter;
    } drivers[] = {{"llvmpipe (LLVM 15.0.6, 256 bits)", GL_LINEAR_MIPMAP_NEAREST},
                   {"AMD Radeon RX 6600", GL_LINEAR_MIPMAP_LINEAR}};
    for (const auto& driver : drivers) {
        OpenGLTexture::setRendererOverride(driver.renderer);
        texture.setFiltering(true);
        OpenGLTexture::setRendererOverride(nullptr);
        EXPECT_EQ(parameter(texture.getHandle(), GL_TEXTURE_MIN_FILTER), driver.minFilter)
            << driver.renderer;
        EXPECT_EQ(parameter(texture.getHandle(), GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    }
    drawFullScreen(&texture);
    EXPECT_TRUE(pixelNear(300, 300, {150, 150, 150, 255}, 50));

    AssertionRecorder assertions;
    OpenGLTexture empty;
    empty.setFiltering(false);
    EXPECT_TRUE(assertions.reported("m_TextureHandle != 0"));
    EXPECT_EQ(parameter(texture.getHandle(), GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
}

// A level below full size replaces just that level; a side that reaches 1
// stays 1 while the other halves; past the 1 x 1 level there is none.
TEST_F(OpenGLTextureGlTest, SetMipmapReplacesOneLevelBelowFullSize) {
    struct Case {
        unsigned width, height, index;
        const char* report; // null: accepted
        GLint levelWidth, levelHeight;
    };
    const Case cases[] = {
        {64, 64, 0, nullptr, 32, 32}, {64, 64, 5, nullptr, 1, 1},
        {64, 64, 6, "false", 0, 0},   {4, 1, 0, nullptr, 2, 1},
        {1, 1, 0, "false", 0, 0},     {0, 0, 0, "m_TextureHandle != 0", 0, 0},
    };
    const std::vector<uint8_t> red = solidPixels(64 * 64, RED, 3);
    const std::vector<uint8_t> green = solidPixels(32 * 32, GREEN, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " level " +
                     std::to_string(c.index + 1));
        AssertionRecorder assertions;
        OpenGLTexture texture;
        if (c.width > 0)
            texture.create(FORMAT_RGB, c.width, c.height, red.data());
        EXPECT_EQ(texture.setMipmap(c.index, green.data()), c.report == nullptr);
        EXPECT_EQ(assertions.reports(),
                  c.report ? std::vector<std::string>{c.report} : std::vector<std::string>{});
        if (c.report)
            continue;
        const GLint level = GLint(c.index + 1);
        EXPECT_EQ(parameter(texture.getHandle(), GL_TEXTURE_WIDTH, level), c.levelWidth);
        EXPECT_EQ(parameter(texture.getHandle(), GL_TEXTURE_HEIGHT, level), c.levelHeight);
        EXPECT_TRUE(colorNear(readTexture(texture.getHandle(), level)[0], GREEN, 3));
        EXPECT_TRUE(colorNear(readTexture(texture.getHandle(), 0)[0], RED, 3));
    }
}

} // namespace
