#include "engine/renderdevice/opengl/opengl_renderdevice.h"

#include "engine/camera.h"
#include "engine/morphable.h"
#include "engine/renderdevice/opengl/opengl_framebuffer.h"
#include "engine/renderdevice/opengl/opengl_shader.h"
#include "engine/transformable.h"
#include "support/assertion_recorder.h"
#include "support/gl_scene.h"

#include <GL/glew.h>

#include <new>
#include <vector>

using namespace Kestrel;
using namespace TestSupport;

namespace {

const char* const VERTEX_PROGRAM = "#version 120\nvoid main() { gl_Position = ftransform(); }\n";
const char* const FRAGMENT_PROGRAM = "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n";

class OpenGLRenderDeviceGlTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        m_Camera.setAspect(float(GL_TEST_WIDTH) / GL_TEST_HEIGHT);
        // The classic OpenGL view: from +z towards the origin, +x to the right.
        m_Camera.lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    }

    std::unique_ptr<Shader> makeShader() {
        std::unique_ptr<Shader> shader(m_Device.createShader());
        shader->compile(VERTEX_PROGRAM, FRAGMENT_PROGRAM);
        return shader;
    }
    void queue(FaceList* faces, Texture* texture, BlendMode blend = BLEND_NONE,
               Transformable* placement = nullptr) {
        m_Device.addToRenderQueue(faces, placement, texture, nullptr, nullptr, blend);
    }

    OpenGLRenderDevice m_Device;
    Camera m_Camera;
};

// The texture bound on a unit, made the active one.
GLint boundTexture(int unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    return glInteger(GL_TEXTURE_BINDING_2D);
}

// The target lands in the middle; from the game's camera (heading 0, looking
// along +z) world +x is on the left, 2 units at distance 12.806 being 90.5 pixels.
// Then down the diagonal from (5, 5, 5): heading -135, pitch 35.26.
TEST_F(OpenGLRenderDeviceGlTest, TargetOfLookAtLandsInTheMiddle) {
    auto green = makeSolidTexture(m_Device, GREEN);
    auto red = makeSolidTexture(m_Device, RED);
    Quad center = makeQuad(m_Device, -0.3f, -0.3f, 0.3f, 0.3f);
    Transformable atTarget, offTarget, origin;
    atTarget.setPosition(8, 0, 8);
    offTarget.setPosition(10, 0, 8);
    for (Transformable* t : {&atTarget, &offTarget, &origin})
        t->update(0);
    m_Camera.lookAt({8, 10, 0}, {8, 0, 8}, {0, 1, 0});
    queue(center.faces.get(), green.get(), BLEND_NONE, &atTarget);
    queue(center.faces.get(), red.get(), BLEND_NONE, &offTarget);
    m_Device.render(&m_Camera);
    expectSpots({{320, 240, GREEN}, {230, 240, RED}, {410, 240, BLACK}});

    m_Device.clear(true, true);
    m_Camera.lookAt({5, 5, 5}, {0, 0, 0}, {0, 1, 0});
    queue(center.faces.get(), green.get(), BLEND_NONE, &origin);
    m_Device.render(&m_Camera);
    expectSpots({{320, 240, GREEN}, {320, 300, BLACK}});
}

// A green square behind the blue one is hidden by the depth test; half-red
// overlays behind both still blend, as blended items draw without depth test;
// the additive one comes straight after the opaque ones.
TEST_F(OpenGLRenderDeviceGlTest, BlendModesMixAndAdd) {
    auto blue = makeSolidTexture(m_Device, BLUE);
    auto green = makeSolidTexture(m_Device, GREEN);
    auto halfRed = makeSolidTexture(m_Device, {255, 0, 0, 128}, true);
    Quad front = makeQuad(m_Device, -4, -3, 4, 3, 0), hidden = makeQuad(m_Device, -4, -3, 4, 3, -2);
    Quad left = makeQuad(m_Device, -4, -3, 0, 3, -1), right = makeQuad(m_Device, 0, -3, 4, 3, -1);
    queue(front.faces.get(), blue.get());
    queue(hidden.faces.get(), green.get());
    queue(right.faces.get(), halfRed.get(), BLEND_ADDITIVE);
    queue(left.faces.get(), halfRed.get(), BLEND_ALPHA);
    glColor3f(0, 0, 0); // a colour left by other drawing does not tint the textures
    m_Device.render(&m_Camera);
    expectSpots({{250, 240, {128, 0, 127, 255}}, {390, 240, {128, 0, 255, 255}}});
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "the last item's blend mode stays";
}

// A closed item shows its front and hides its back, also under a mirroring
// transform; an open one shows both (the test squares face -z, a mirror in z
// turns the closed one to face +z). Culling ends with the frame.
TEST_F(OpenGLRenderDeviceGlTest, ClosedItemsHideTheirBackFaces) {
    auto green = makeSolidTexture(m_Device, GREEN);
    auto red = makeSolidTexture(m_Device, RED);
    Quad closed = makeQuad(m_Device, -4, -3, 0, 3), open = makeQuad(m_Device, 0, -3, 4, 3);
    Transformable plain, mirrored;
    mirrored.setScale(1, 1, -1);
    for (Transformable* t : {&plain, &mirrored})
        t->update(0);
    const struct {
        float eyeZ;
        Transformable* placement;
        Rgba8 left, right;
    } rows[] = {{10, &plain, BLACK, RED},
                {-10, &plain, RED, GREEN},
                {10, &mirrored, GREEN, RED},
                {-10, &mirrored, RED, BLACK}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.eyeZ << (row.placement == &plain ? "" : " mirrored"));
        m_Device.clear(true, true);
        m_Camera.lookAt({0, 0, row.eyeZ}, {0, 0, 0}, {0, 1, 0});
        // Closed, open, closed: the open one must be drawn whole between two culled ones.
        for (bool cull : {true, false, true})
            m_Device.addToRenderQueue((cull ? closed : open).faces.get(),
                                      cull ? row.placement : nullptr, (cull ? green : red).get(),
                                      nullptr, nullptr, BLEND_NONE, cull);
        m_Device.render(&m_Camera);
        expectSpots({{250, 240, row.left}, {390, 240, row.right}});
    }
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(glInteger(GL_FRONT_FACE), GL_CCW);
}

// Render restores the stages and shader set before it, leaves unit 0 active,
// empties the queue, and applies the camera and state even with nothing queued.
TEST_F(OpenGLRenderDeviceGlTest, RenderAppliesItsStateAndRestoresTheCallers) {
    std::unique_ptr<Texture> stages[3] = {makeSolidTexture(m_Device, RED),
                                          makeSolidTexture(m_Device, GREEN),
                                          makeSolidTexture(m_Device, BLUE)};
    auto itemTexture = makeSolidTexture(m_Device, WHITE);
    auto before = makeShader(), during = makeShader();
    Quad quad = makeQuad(m_Device, -1, -1, 1, 1);
    for (unsigned stage = 0; stage < 3; ++stage)
        m_Device.setTexture(stages[stage].get(), stage);
    m_Device.setTexture(nullptr, 3);
    m_Device.setShader(before.get());
    m_Device.addToRenderQueue(quad.faces.get(), nullptr, itemTexture.get(), during.get(), nullptr,
                              BLEND_NONE);
    queue(quad.faces.get(), nullptr, BLEND_ALPHA);
    m_Device.render(&m_Camera);
    EXPECT_EQ(glInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    for (unsigned stage = 0; stage < 3; ++stage)
        EXPECT_EQ(boundTexture(stage), GLint(stages[stage]->getHandle()));
    EXPECT_EQ(boundTexture(3), 0);
    EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM),
              GLint(static_cast<OpenGLShader*>(before.get())->getProgram()));
    EXPECT_TRUE(m_Device.getRenderQueue().empty());

    resetGlState();
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 1);
    glLoadTransposeMatrixf(Matrix4::translation({1, 2, 3}).m);
    m_Device.render(&m_Camera);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_FALSE(glIsEnabled(array)) << array;
    EXPECT_EQ(glInteger(GL_ARRAY_BUFFER_BINDING_ARB), 0);
    EXPECT_EQ(glInteger(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB), 0);
    GLfloat modelView[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(modelView[12], 0.0f);
    // Perspective times a translation by -10.
    EXPECT_NEAR(projection[0], 2.41421f / (640.0f / 480.0f), 1e-4);
    EXPECT_NEAR(projection[5], 2.41421f, 1e-4);
    EXPECT_NEAR(projection[14], -2001.0 / 1999.0 * -10.0 - 2.0 * 2000.0 / 1999.0, 1e-3);
}

struct CountingMorphable : Morphable {
    bool morph(const VertexList&, VertexList&) override {
        ++calls;
        return false;
    }
    int calls = 0;
};

// A queued item without faces sets its transform and state like any other but
// draws and morphs nothing; the next item of the same vertices and morphable
// is still morphed.
TEST_F(OpenGLRenderDeviceGlTest, AnItemWithoutFacesSetsItsStateOnly) {
    Quad quad = makeQuad(m_Device, -1, -1, 1, 1);
    std::unique_ptr<FaceList> none(m_Device.createFaceList(quad.vertices.get(), USAGE_STATIC));
    Transformable placement;
    placement.setPosition(1, 2, 3);
    placement.updateMatrix();
    for (bool thenDrawn : {false, true}) {
        SCOPED_TRACE(thenDrawn ? "then a drawn item" : "alone");
        CountingMorphable morphable;
        m_Device.clear(true, true);
        m_Device.setBlendMode(BLEND_NONE);
        if (thenDrawn)
            m_Device.addToRenderQueue(none.get(), nullptr, nullptr, nullptr, &morphable,
                                      BLEND_NONE);
        m_Device.addToRenderQueue(thenDrawn ? quad.faces.get() : none.get(), &placement, nullptr,
                                  nullptr, &morphable, BLEND_ALPHA);
        m_Device.render(&m_Camera);
        EXPECT_EQ(morphable.calls, thenDrawn ? 1 : 0);
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        GLfloat modelView[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
        EXPECT_EQ(Vector3(modelView[12], modelView[13], modelView[14]), Vector3(1, 2, 3));
        EXPECT_EQ(bool(colorNear(pixelAt({1, 2, 3}), WHITE, 3)), thenDrawn);
    }
}

// The device's record of its bindings stays true: what it set and then saw freed
// is restored as nothing, a new object at a freed one's address or a recompiled
// shader is bound, and making or remaking textures and targets leaves bound what
// the device bound.
TEST_F(OpenGLRenderDeviceGlTest, TheRecordOfBindingsStaysTrue) {
    auto texture = makeSolidTexture(m_Device, RED);
    auto shader = makeShader();
    m_Device.setTexture(texture.get(), 1);
    m_Device.setShader(shader.get());
    texture.reset();
    shader.reset();
    EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), 0);
    m_Device.render(&m_Camera);
    EXPECT_EQ(boundTexture(1), 0);
    EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), 0);
    auto again = makeShader();
    for (int i = 0; i < 2; ++i) {
        m_Device.setShader(again.get());
        EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM),
                  GLint(static_cast<OpenGLShader*>(again.get())->getProgram()));
        again->compile(VERTEX_PROGRAM, FRAGMENT_PROGRAM);
    }
    alignas(OpenGLFrameBuffer) unsigned char place[sizeof(OpenGLFrameBuffer)];
    for (int i = 0; i < 2; ++i) {
        auto* target = new (place) OpenGLFrameBuffer;
        target->create(8, 8, false);
        m_Device.setFrameBuffer(target);
        EXPECT_NE(glInteger(GL_FRAMEBUFFER_BINDING_EXT), 0) << i;
        target->~OpenGLFrameBuffer();
    }

    auto kept = makeSolidTexture(m_Device, RED);
    m_Device.setTexture(kept.get(), 0);
    auto made = makeSolidTexture(m_Device, GREEN);
    const std::vector<unsigned char> pixels(8 * 8 * 4);
    OpenGLFrameBuffer target;
    made->setFiltering(false);
    made->setMipmap(0, pixels.data());
    target.create(8, 8, true);
    EXPECT_EQ(boundTexture(0), GLint(kept->getHandle()));
    kept->create(FORMAT_RGBA, 8, 8, pixels.data());
    m_Device.setFrameBuffer(&target);
    target.create(8, 8, false);
    EXPECT_EQ(boundTexture(0), GLint(kept->getHandle()));
    EXPECT_TRUE(glInteger(GL_FRAMEBUFFER_BINDING_EXT) != 0 &&
                glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT);
}

TEST_F(OpenGLRenderDeviceGlTest, StateSettersFilterAndReport) {
    auto texture = makeSolidTexture(m_Device, RED);
    AssertionRecorder assertions;
    glActiveTexture(GL_TEXTURE1);
    m_Device.setTexture(texture.get(), 4);
    EXPECT_TRUE(assertions.reported("textureStage < MAX_TEXTURE_STAGES"));
    EXPECT_EQ(glInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE1);
    EXPECT_EQ(boundTexture(1), 0);

    // The device trusts its record: setting the current shader again issues nothing.
    auto shader = makeShader();
    m_Device.setShader(shader.get());
    glUseProgram(0);
    m_Device.setShader(shader.get());
    EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), 0);
    m_Device.setShader(nullptr);

    m_Device.setBlendMode(BLEND_ALPHA);
    m_Device.setBlendMode(static_cast<BlendMode>(7));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glInteger(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    m_Device.setBlendMode(BLEND_NONE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    glClearColor(1, 0, 0, 1);
    m_Device.clear(false, false);
    GLfloat clearColor[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    EXPECT_EQ(std::vector<GLfloat>(clearColor, clearColor + 4), (std::vector<GLfloat>{0, 0, 0, 1}));

    m_Device.setViewport({10, 20}, {110, 70});
    std::vector<GLint> viewport(4);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::vector<GLint>{10, 20, 100, 50}));
}

// Row-by-row matrices reach OpenGL transposed; drawFaceList draws with them as they are.
TEST_F(OpenGLRenderDeviceGlTest, MatrixSettersAndImmediateDraw) {
    auto texture = makeSolidTexture(m_Device, GREEN);
    Quad quad = makeQuad(m_Device, 0, 0, 0.5f, 0.5f);
    m_Device.setProjectionMatrix(Matrix4());
    m_Device.setModelViewMatrix(Matrix4::translation({-0.5f, -0.5f, 0}));
    EXPECT_EQ(m_Device.getModelViewMatrix()[3], -0.5f);
    m_Device.setTexture(texture.get(), 0);
    m_Device.drawFaceList(quad.faces.get());
    // The square covers ndc -0.5..0: pixels 160..320 x 120..240.
    expectSpots({{240, 180, GREEN}, {400, 300, BLACK}});
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_FALSE(glIsEnabled(array)) << array;
}

// Before glewInit, GLEW's entry points are null: the device says what to do and
// names them rather than fault in the first vertex list it makes.
TEST(OpenGLRenderDeviceDeathTest, WithoutGlewTheDeviceEndsTheProgramSayingWhatToDo) {
    EXPECT_EXIT(
        {
            glGenBuffersARB = nullptr;
            OpenGLRenderDevice device;
        },
        testing::ExitedWithCode(EXIT_FAILURE),
        "glGenBuffersARB.*call glewInit\\(\\) once the OpenGL context exists");
}

} // namespace
