#include "engine/renderdevice/opengl/opengl_renderdevice.h"

#include "engine/camera.h"
#include "engine/morphable.h"
#include "engine/renderdevice/opengl/opengl_framebuffer.h"
#include "engine/renderdevice/opengl/opengl_shader.h"
#include "engine/renderdevice/shader.h"
#include "engine/transformable.h"
#include "support/assertion_recorder.h"
#include "support/gl_scene.h"

#include <GL/glew.h>

#include <memory>
#include <vector>

using Kestrel::BLEND_ADDITIVE;
using Kestrel::BLEND_ALPHA;
using Kestrel::BLEND_NONE;
using Kestrel::Camera;
using Kestrel::Matrix4;
using Kestrel::OpenGLRenderDevice;
using Kestrel::Transformable;
using Kestrel::Vector3;
using TestSupport::makeQuad;
using TestSupport::pixelNear;
using TestSupport::Quad;
using TestSupport::Rgba8;

namespace {

const char* const PLAIN_VERTEX_PROGRAM = "#version 120\n"
                                         "void main() {\n"
                                         "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
                                         "    gl_Position = ftransform();\n"
                                         "}\n";
const char* const PLAIN_FRAGMENT_PROGRAM =
    "#version 120\n"
    "uniform sampler2D texture;\n"
    "void main() {\n"
    "    gl_FragColor = texture2D(texture, gl_TexCoord[0].st);\n"
    "}\n";

class OpenGLRenderDeviceGlTest : public TestSupport::GlTest {
protected:
    void SetUp() override {
        TestSupport::GlTest::SetUp();
        m_Camera.setAspect(float(TestSupport::GL_TEST_WIDTH) / TestSupport::GL_TEST_HEIGHT);
        // The classic OpenGL view: from +z towards the origin, +x to the right.
        m_Camera.lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    }

    std::unique_ptr<Kestrel::Shader> makeShader() {
        std::unique_ptr<Kestrel::Shader> shader(m_Device.createShader());
        shader->compile(PLAIN_VERTEX_PROGRAM, PLAIN_FRAGMENT_PROGRAM);
        return shader;
    }

    OpenGLRenderDevice m_Device;
    Camera m_Camera;
};

// Shifts every vertex up by m_Lift and counts its calls.
class LiftingMorphable : public Kestrel::Morphable {
public:
    explicit LiftingMorphable(bool result) : m_Result(result) {}
    bool morph(const Kestrel::VertexList& in, Kestrel::VertexList& out) override {
        ++m_Calls;
        if (!m_Result)
            return false;
        out.clear();
        for (unsigned i = 0; i < in.getVertexCount(); ++i)
            out.addVertex(in.getPosition(i) + Vector3(0, m_Lift, 0), in.getNormal(i),
                          in.getTexCoord(i));
        return true;
    }

    bool m_Result;
    float m_Lift = 2.0f;
    int m_Calls = 0;
};

GLint boundTexture(unsigned unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint currentInteger(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

// The camera 10 in front of the plane z = 0 sees (x, y) at ndc (x, y) * 0.2414 / (aspect, 1)
// (f = 1 / tan 22.5 deg = 2.41421): the square 1..3 x 0..2 covers pixels
// x 377.9..493.8 and y 240..355.9, its quadrant centres at x 406.9 / 464.9, y 269 / 326.9.
TEST_F(OpenGLRenderDeviceGlTest, TexturedQuadLandsWhereCameraAndProjectionPutIt) {
    auto texture = TestSupport::makeQuadrantTexture(m_Device);
    Quad quad = makeQuad(m_Device, -1, -1, 1, 1);
    Transformable placement;
    placement.setPosition(2, 1, 0);
    placement.update(0);

    m_Device.addToRenderQueue(quad.faces.get(), &placement, texture.get(), nullptr, nullptr,
                              BLEND_NONE);
    m_Device.render(&m_Camera);

    EXPECT_TRUE(pixelNear(407, 327, TestSupport::RED));
    EXPECT_TRUE(pixelNear(465, 327, TestSupport::GREEN));
    EXPECT_TRUE(pixelNear(407, 269, TestSupport::BLUE));
    EXPECT_TRUE(pixelNear(465, 269, TestSupport::WHITE));
    for (const auto& outside : {std::make_pair(375, 300), std::make_pair(497, 300),
                                std::make_pair(430, 237), std::make_pair(430, 359)})
        EXPECT_TRUE(pixelNear(outside.first, outside.second, TestSupport::BLACK));
}

// Pitch and heading together: the target lands in the middle of the screen; from
// the game's camera (heading 0, looking along +z) world +x appears on the left,
// 2 units at distance 12.806 being 90.5 pixels.
TEST_F(OpenGLRenderDeviceGlTest, TargetOfLookAtLandsInTheMiddle) {
    auto green = TestSupport::makeSolidTexture(m_Device, TestSupport::GREEN);
    auto red = TestSupport::makeSolidTexture(m_Device, TestSupport::RED);
    Quad center = makeQuad(m_Device, -0.3f, -0.3f, 0.3f, 0.3f);
    Transformable atTarget, offTarget;
    atTarget.setPosition(8, 0, 8);
    offTarget.setPosition(10, 0, 8);
    atTarget.update(0);
    offTarget.update(0);

    m_Camera.lookAt({8, 10, 0}, {8, 0, 8}, {0, 1, 0});
    m_Device.addToRenderQueue(center.faces.get(), &atTarget, green.get(), nullptr, nullptr,
                              BLEND_NONE);
    m_Device.addToRenderQueue(center.faces.get(), &offTarget, red.get(), nullptr, nullptr,
                              BLEND_NONE);
    m_Device.render(&m_Camera);
    EXPECT_TRUE(pixelNear(320, 240, TestSupport::GREEN));
    EXPECT_TRUE(pixelNear(230, 240, TestSupport::RED));
    EXPECT_TRUE(pixelNear(410, 240, TestSupport::BLACK));

    // Looking down the diagonal from (5, 5, 5): heading -135, pitch 35.26.
    m_Device.clear(true, true);
    Transformable origin;
    origin.update(0);
    m_Camera.lookAt({5, 5, 5}, {0, 0, 0}, {0, 1, 0});
    m_Device.addToRenderQueue(center.faces.get(), &origin, green.get(), nullptr, nullptr,
                              BLEND_NONE);
    m_Device.render(&m_Camera);
    EXPECT_TRUE(pixelNear(320, 240, TestSupport::GREEN));
    EXPECT_TRUE(pixelNear(320, 300, TestSupport::BLACK));
}

// Blue opaque square at z = 0; a green opaque one behind it is hidden by the
// depth test; red half-transparent overlays behind both still blend, because
// blended items are drawn without depth test: alpha on the left, additive on
// the right.
TEST_F(OpenGLRenderDeviceGlTest, BlendModesMixAndAdd) {
    auto blue = TestSupport::makeSolidTexture(m_Device, TestSupport::BLUE);
    auto green = TestSupport::makeSolidTexture(m_Device, TestSupport::GREEN);
    auto halfRed = TestSupport::makeSolidTexture(m_Device, {255, 0, 0, 128}, true);
    Quad front = makeQuad(m_Device, -4, -3, 4, 3, 0);
    Quad hidden = makeQuad(m_Device, -4, -3, 4, 3, -2);
    Quad left = makeQuad(m_Device, -4, -3, 0, 3, -1);
    Quad right = makeQuad(m_Device, 0, -3, 4, 3, -1);

    m_Device.addToRenderQueue(front.faces.get(), nullptr, blue.get(), nullptr, nullptr, BLEND_NONE);
    m_Device.addToRenderQueue(hidden.faces.get(), nullptr, green.get(), nullptr, nullptr,
                              BLEND_NONE);
    m_Device.addToRenderQueue(left.faces.get(), nullptr, halfRed.get(), nullptr, nullptr,
                              BLEND_ALPHA);
    m_Device.addToRenderQueue(right.faces.get(), nullptr, halfRed.get(), nullptr, nullptr,
                              BLEND_ADDITIVE);
    m_Device.render(&m_Camera);

    EXPECT_TRUE(pixelNear(250, 240, {128, 0, 127, 255}));
    EXPECT_TRUE(pixelNear(390, 240, {128, 0, 255, 255}));
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "the last item's blend mode stays";
}

// Two face lists on one vertex list, one square each at y -1..1; the morphable
// lifts them to y 1..3 (pixels 240..356 on screen).
TEST_F(OpenGLRenderDeviceGlTest, ConsecutiveItemsSharingVerticesAndMorphableMorphOnce) {
    auto white = TestSupport::makeSolidTexture(m_Device, TestSupport::WHITE);
    std::unique_ptr<Kestrel::VertexList> vertices(m_Device.createVertexList(Kestrel::USAGE_STATIC));
    std::unique_ptr<Kestrel::FaceList> leftFaces(m_Device.createFaceList(vertices.get(), 0));
    std::unique_ptr<Kestrel::FaceList> rightFaces(m_Device.createFaceList(vertices.get(), 0));
    TestSupport::addQuad(*vertices, *leftFaces, -3, -1, -1, 1);
    TestSupport::addQuad(*vertices, *rightFaces, 1, -1, 3, 1);
    const int leftX = 320 - 72, rightX = 320 + 72, liftedY = 300, restingY = 220;

    LiftingMorphable lifting(true);
    m_Device.addToRenderQueue(leftFaces.get(), nullptr, white.get(), nullptr, &lifting, BLEND_NONE);
    m_Device.addToRenderQueue(rightFaces.get(), nullptr, white.get(), nullptr, &lifting,
                              BLEND_NONE);
    m_Device.render(&m_Camera);
    EXPECT_EQ(lifting.m_Calls, 1);
    EXPECT_TRUE(pixelNear(leftX, liftedY, TestSupport::WHITE));
    EXPECT_TRUE(pixelNear(rightX, liftedY, TestSupport::WHITE));
    EXPECT_TRUE(pixelNear(rightX, restingY, TestSupport::BLACK));

    // A declining morphable leaves the item to its own vertices; an item without
    // morphable does not share the scratch list either.
    m_Device.clear(true, true);
    LiftingMorphable declining(false);
    m_Device.addToRenderQueue(leftFaces.get(), nullptr, white.get(), nullptr, &declining,
                              BLEND_NONE);
    m_Device.addToRenderQueue(leftFaces.get(), nullptr, white.get(), nullptr, &lifting, BLEND_NONE);
    m_Device.addToRenderQueue(rightFaces.get(), nullptr, white.get(), nullptr, nullptr, BLEND_NONE);
    m_Device.render(&m_Camera);
    EXPECT_EQ(declining.m_Calls, 1);
    EXPECT_EQ(lifting.m_Calls, 2);
    EXPECT_TRUE(pixelNear(leftX, restingY, TestSupport::WHITE));
    EXPECT_TRUE(pixelNear(leftX, liftedY, TestSupport::WHITE));
    EXPECT_TRUE(pixelNear(rightX, restingY, TestSupport::WHITE));
    EXPECT_TRUE(pixelNear(rightX, liftedY, TestSupport::BLACK));
}

TEST_F(OpenGLRenderDeviceGlTest, RenderRestoresTextureStagesAndShaderAndEmptiesTheQueue) {
    std::unique_ptr<Kestrel::Texture> stageTextures[3] = {
        TestSupport::makeSolidTexture(m_Device, TestSupport::RED),
        TestSupport::makeSolidTexture(m_Device, TestSupport::GREEN),
        TestSupport::makeSolidTexture(m_Device, TestSupport::BLUE)};
    auto itemTexture = TestSupport::makeSolidTexture(m_Device, TestSupport::WHITE);
    auto before = makeShader();
    auto during = makeShader();
    Quad quad = makeQuad(m_Device, -1, -1, 1, 1);
    for (unsigned stage = 0; stage < 3; ++stage)
        m_Device.setTexture(stageTextures[stage].get(), stage);
    m_Device.setTexture(nullptr, 3);
    m_Device.setShader(before.get());

    m_Device.addToRenderQueue(quad.faces.get(), nullptr, itemTexture.get(), during.get(), nullptr,
                              BLEND_NONE);
    m_Device.addToRenderQueue(quad.faces.get(), nullptr, nullptr, nullptr, nullptr, BLEND_ALPHA);
    m_Device.render(&m_Camera);

    // A texture made after the frame enables texturing on the active unit.
    EXPECT_EQ(currentInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    for (unsigned stage = 0; stage < 3; ++stage)
        EXPECT_EQ(boundTexture(stage), GLint(stageTextures[stage]->getHandle())) << stage;
    EXPECT_EQ(boundTexture(3), 0);
    EXPECT_EQ(currentInteger(GL_CURRENT_PROGRAM),
              GLint(static_cast<Kestrel::OpenGLShader*>(before.get())->getProgram()));
    EXPECT_TRUE(m_Device.getRenderQueue().empty());
}

// An empty queue still applies the camera and the frame's state, and draws nothing.
TEST_F(OpenGLRenderDeviceGlTest, EmptyQueueAppliesCameraAndDrawsNothing) {
    glDisable(GL_DEPTH_TEST);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadTransposeMatrixf(Matrix4::translation({1, 2, 3}).m);
    m_Device.render(&m_Camera);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(currentInteger(GL_ARRAY_BUFFER_BINDING_ARB), 0);
    EXPECT_EQ(currentInteger(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB), 0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    GLfloat modelView[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(modelView[12], 0.0f);
    // Straight-on camera 10 away: perspective times a translation by -10.
    EXPECT_NEAR(projection[0], 2.41421f / (640.0f / 480.0f), 1e-4);
    EXPECT_NEAR(projection[5], 2.41421f, 1e-4);
    EXPECT_NEAR(projection[14], -2001.0 / 1999.0 * -10.0 - 2.0 * 2000.0 / 1999.0, 1e-3);
    EXPECT_TRUE(pixelNear(320, 240, TestSupport::BLACK));
}

TEST_F(OpenGLRenderDeviceGlTest, StateSettersFilterAndReport) {
    auto texture = TestSupport::makeSolidTexture(m_Device, TestSupport::RED);
    {
        TestSupport::AssertionRecorder assertions;
        glActiveTexture(GL_TEXTURE1);
        m_Device.setTexture(texture.get(), 4);
        EXPECT_TRUE(assertions.reported("textureStage < MAX_TEXTURE_STAGES"));
        EXPECT_EQ(currentInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE1);
        EXPECT_EQ(boundTexture(1), 0);
    }
    {
        // The device trusts its record: setting the current shader again issues nothing.
        auto shader = makeShader();
        m_Device.setShader(shader.get());
        glUseProgram(0);
        m_Device.setShader(shader.get());
        EXPECT_EQ(currentInteger(GL_CURRENT_PROGRAM), 0);
        m_Device.setShader(nullptr);
    }
    {
        m_Device.setBlendMode(BLEND_ALPHA);
        m_Device.setBlendMode(static_cast<Kestrel::BlendMode>(7));
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_EQ(currentInteger(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
        m_Device.setBlendMode(BLEND_NONE);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
    {
        glClearColor(1, 0, 0, 1);
        m_Device.clear(false, false);
        GLfloat clearColor[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
        EXPECT_EQ(clearColor[0], 0.0f);
        EXPECT_EQ(clearColor[3], 1.0f);
    }
    {
        m_Device.setViewport({10, 20}, {110, 70});
        std::vector<GLint> viewport(4);
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        EXPECT_EQ(viewport, (std::vector<GLint>{10, 20, 100, 50}));
    }
    {
        std::unique_ptr<Kestrel::FrameBuffer> frameBuffer(m_Device.createFrameBuffer());
        frameBuffer->create(16, 16, false);
        m_Device.setFrameBuffer(frameBuffer.get());
        EXPECT_NE(currentInteger(GL_FRAMEBUFFER_BINDING_EXT), 0);
        m_Device.setFrameBuffer(nullptr);
        EXPECT_EQ(currentInteger(GL_FRAMEBUFFER_BINDING_EXT), 0);
    }
}

// Row-by-row matrices reach OpenGL transposed; drawFaceList draws with them as they are.
TEST_F(OpenGLRenderDeviceGlTest, MatrixSettersAndImmediateDraw) {
    auto texture = TestSupport::makeSolidTexture(m_Device, TestSupport::GREEN);
    Quad quad = makeQuad(m_Device, 0, 0, 0.5f, 0.5f);
    const Matrix4 shift = Matrix4::translation({-0.5f, -0.5f, 0});
    m_Device.setProjectionMatrix(Matrix4());
    m_Device.setModelViewMatrix(shift);
    EXPECT_EQ(m_Device.getModelViewMatrix()[3], -0.5f);
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_EQ(modelView[12], -0.5f);

    m_Device.setTexture(texture.get(), 0);
    m_Device.drawFaceList(quad.faces.get());
    // The square now covers ndc -0.5..0: pixels 160..320 x 120..240.
    EXPECT_TRUE(pixelNear(240, 180, TestSupport::GREEN));
    EXPECT_TRUE(pixelNear(400, 300, TestSupport::BLACK));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
}

} // namespace
