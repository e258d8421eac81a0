#include "engine/renderdevice/opengl/opengl_framebuffer.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "support/assertion_recorder.h"
#include "support/gl_scene.h"

#include <GL/glew.h>

using namespace TestSupport;
using Kestrel::OpenGLFrameBuffer;

namespace {

const int SIZE = 32;

class OpenGLFrameBufferGlTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        m_Green = makeSolidTexture(m_Device, GREEN);
        m_Red = makeSolidTexture(m_Device, RED);
    }
    // Inside the target: a green square near the eye over the left half, then a
    // red one further away over everything (under the identity projection z is
    // the depth, -1 near .. 1 far).
    void drawNearGreenThenFarRed(Kestrel::FrameBuffer* target) {
        m_Device.setFrameBuffer(target);
        m_Device.setViewport({0, 0}, {SIZE, SIZE});
        m_Device.clear(true, true);
        m_Device.setProjectionMatrix(Kestrel::Matrix4());
        m_Device.setModelViewMatrix(Kestrel::Matrix4());
        m_Device.setDepthTest(true);
        Quad nearQuad = makeQuad(m_Device, -1, -1, 0, 1, -0.5f);
        Quad farQuad = makeQuad(m_Device, -1, -1, 1, 1, 0.5f);
        m_Device.setTexture(m_Green.get(), 0);
        m_Device.drawFaceList(nearQuad.faces.get());
        m_Device.setTexture(m_Red.get(), 0);
        m_Device.drawFaceList(farQuad.faces.get());
        m_Device.setFrameBuffer(nullptr);
        m_Device.setViewport({0, 0}, {GL_TEST_WIDTH, GL_TEST_HEIGHT});
    }

    Kestrel::OpenGLRenderDevice m_Device;
    std::unique_ptr<Kestrel::Texture> m_Green, m_Red;
};

// With depth the near green square wins on the left, without it the last (red)
// one; the window stays untouched until the colour texture is drawn across it.
TEST_F(OpenGLFrameBufferGlTest, DrawsIntoItsColourTextureWithAndWithoutDepth) {
    for (bool depth : {true, false}) {
        SCOPED_TRACE(depth);
        resetGlState();
        OpenGLFrameBuffer frameBuffer;
        ASSERT_TRUE(frameBuffer.create(SIZE, SIZE, depth));
        EXPECT_EQ(glInteger(GL_FRAMEBUFFER_BINDING_EXT), 0) << "drawing still goes to the window";
        EXPECT_EQ(frameBuffer.getDepthTexture()->getHandle() != 0, depth);
        frameBuffer.bind();
        EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT),
                  GLenum(GL_FRAMEBUFFER_COMPLETE_EXT));
        drawNearGreenThenFarRed(&frameBuffer);
        const auto texels = readTexture(frameBuffer.getColorTexture()->getHandle());
        ASSERT_EQ(texels.size(), size_t(SIZE * SIZE));
        const Rgba8 left = depth ? GREEN : RED;
        EXPECT_TRUE(colorNear(texels[SIZE * SIZE / 2 + SIZE / 4], left, 3));
        EXPECT_TRUE(colorNear(texels[SIZE * SIZE / 2 + 3 * SIZE / 4], RED, 3));
        EXPECT_TRUE(pixelNear(10, 10, BLACK));

        Quad screen = makeQuad(m_Device, -1, -1, 1, 1);
        m_Device.setDepthTest(false);
        m_Device.setTexture(frameBuffer.getColorTexture(), 0);
        m_Device.drawFaceList(screen.faces.get());
        expectSpots({{160, 240, left}, {480, 240, RED}});
    }
}

TEST_F(OpenGLFrameBufferGlTest, AttachmentsCannotBeLoadedAndGoWithASecondCreate) {
    AssertionRecorder assertions;
    OpenGLFrameBuffer frameBuffer;
    EXPECT_EQ(frameBuffer.getColorTexture(), nullptr);
    frameBuffer.create(SIZE, SIZE, false);
    auto* color =
        static_cast<OpenGLFrameBuffer::OpenGLFrameBufferTexture*>(frameBuffer.getColorTexture());
    EXPECT_FALSE(color->load("anything.png"));
    EXPECT_FALSE(color->load("anything.png", 4, 4, false));
    // A target with a side of zero cannot be drawn into.
    EXPECT_FALSE(OpenGLFrameBuffer().create(0, SIZE, true));
    EXPECT_EQ(assertions.reports(), std::vector<std::string>({"false", "false", "complete"}));

    const unsigned oldColor = color->getHandle();
    frameBuffer.create(SIZE, SIZE, true);
    EXPECT_NE(frameBuffer.getDepthTexture()->getHandle(), 0u);
    EXPECT_FALSE(glIsTexture(oldColor) && oldColor != frameBuffer.getColorTexture()->getHandle());
}

} // namespace
