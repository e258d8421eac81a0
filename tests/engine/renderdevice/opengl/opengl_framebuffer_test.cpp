#include "engine/renderdevice/opengl/opengl_framebuffer.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "support/assertion_recorder.h"
#include "support/gl_scene.h"

#include <GL/glew.h>

#include <memory>
#include <vector>

using Kestrel::OpenGLFrameBuffer;
using TestSupport::Rgba8;

namespace {

const int SIZE = 32;

class OpenGLFrameBufferGlTest : public TestSupport::GlTest {
protected:
    void SetUp() override {
        TestSupport::GlTest::SetUp();
        m_Green = TestSupport::makeSolidTexture(m_Device, TestSupport::GREEN);
        m_Red = TestSupport::makeSolidTexture(m_Device, TestSupport::RED);
    }

    // Inside the target: a green square near the eye over the left half, then a
    // red one further away over everything. Under the identity projection z is
    // the depth in -1 (near) .. 1 (far).
    void drawNearGreenThenFarRed(Kestrel::FrameBuffer* target) {
        m_Device.setFrameBuffer(target);
        m_Device.setViewport({0, 0}, {SIZE, SIZE});
        m_Device.clear(true, true);
        m_Device.setProjectionMatrix(Kestrel::Matrix4());
        m_Device.setModelViewMatrix(Kestrel::Matrix4());
        m_Device.setDepthTest(true);
        TestSupport::Quad nearQuad = TestSupport::makeQuad(m_Device, -1, -1, 0, 1, -0.5f);
        TestSupport::Quad farQuad = TestSupport::makeQuad(m_Device, -1, -1, 1, 1, 0.5f);
        m_Device.setTexture(m_Green.get(), 0);
        m_Device.drawFaceList(nearQuad.faces.get());
        m_Device.setTexture(m_Red.get(), 0);
        m_Device.drawFaceList(farQuad.faces.get());
        m_Device.setFrameBuffer(nullptr);
        m_Device.setViewport({0, 0}, {TestSupport::GL_TEST_WIDTH, TestSupport::GL_TEST_HEIGHT});
    }

    // The colour texture's texel in the middle of the left and of the right half.
    std::pair<TestSupport::Rgba, TestSupport::Rgba> readHalves(Kestrel::Texture* color) {
        std::vector<TestSupport::Rgba> texels(SIZE * SIZE);
        glBindTexture(GL_TEXTURE_2D, color->getHandle());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        const int row = SIZE / 2 * SIZE;
        return {texels[row + SIZE / 4], texels[row + 3 * SIZE / 4]};
    }

    Kestrel::OpenGLRenderDevice m_Device;
    std::unique_ptr<Kestrel::Texture> m_Green;
    std::unique_ptr<Kestrel::Texture> m_Red;
};

// With depth the near green square wins on the left; without, the last (red) one.
TEST_F(OpenGLFrameBufferGlTest, DrawsIntoItsColourTextureWithAndWithoutDepth) {
    for (bool depth : {true, false}) {
        SCOPED_TRACE(depth);
        OpenGLFrameBuffer frameBuffer;
        ASSERT_TRUE(frameBuffer.create(SIZE, SIZE, depth));
        ASSERT_NE(frameBuffer.getColorTexture()->getHandle(), 0u);
        EXPECT_EQ(frameBuffer.getDepthTexture()->getHandle() != 0, depth);
        frameBuffer.bind();
        EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT),
                  GLenum(GL_FRAMEBUFFER_COMPLETE_EXT));
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

        drawNearGreenThenFarRed(&frameBuffer);
        const auto halves = readHalves(frameBuffer.getColorTexture());
        EXPECT_TRUE(
            TestSupport::colorNear(halves.first, depth ? TestSupport::GREEN : TestSupport::RED, 3));
        EXPECT_TRUE(TestSupport::colorNear(halves.second, TestSupport::RED, 3));
        EXPECT_TRUE(TestSupport::pixelNear(10, 10, TestSupport::BLACK))
            << "the window stays untouched";
    }
}

// The colour attachment binds like any texture: drawn across the window.
TEST_F(OpenGLFrameBufferGlTest, ColourTextureDrawsLikeAnyTexture) {
    OpenGLFrameBuffer frameBuffer;
    frameBuffer.create(SIZE, SIZE, true);
    drawNearGreenThenFarRed(&frameBuffer);

    TestSupport::Quad screen = TestSupport::makeQuad(m_Device, -1, -1, 1, 1);
    m_Device.setDepthTest(false);
    m_Device.setTexture(frameBuffer.getColorTexture(), 0);
    m_Device.drawFaceList(screen.faces.get());
    EXPECT_TRUE(TestSupport::pixelNear(160, 240, TestSupport::GREEN));
    EXPECT_TRUE(TestSupport::pixelNear(480, 240, TestSupport::RED));
}

TEST_F(OpenGLFrameBufferGlTest, AttachmentsCannotBeLoaded) {
    TestSupport::AssertionRecorder assertions;
    OpenGLFrameBuffer frameBuffer;
    EXPECT_EQ(frameBuffer.getColorTexture(), nullptr);
    frameBuffer.create(SIZE, SIZE, false);
    auto* color =
        static_cast<OpenGLFrameBuffer::OpenGLFrameBufferTexture*>(frameBuffer.getColorTexture());
    EXPECT_FALSE(color->load("anything.png"));
    EXPECT_FALSE(color->load("anything.png", 4, 4, false));
    EXPECT_EQ(assertions.reports(), std::vector<std::string>({"false", "false"}));

    // A second create replaces the target and its attachments.
    const unsigned oldColor = color->getHandle();
    frameBuffer.create(SIZE, SIZE, true);
    EXPECT_NE(frameBuffer.getDepthTexture()->getHandle(), 0u);
    EXPECT_FALSE(glIsTexture(oldColor) && oldColor != frameBuffer.getColorTexture()->getHandle());
}

} // namespace
