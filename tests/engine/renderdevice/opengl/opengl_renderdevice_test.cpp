#include "engine/renderdevice/opengl/opengl_renderdevice.h"

#include "engine/camera.h"
#include "engine/morphable.h"
#include "engine/renderdevice/framebuffer.h"
#include "engine/renderdevice/opengl/opengl_shader.h"
#include "engine/transformable.h"
#include "support/assertion_recorder.h"
#include "support/gl_scene.h"

#include <GL/glew.h>

#include <vector>

using namespace TestSupport;
using Kestrel::BLEND_ADDITIVE;
using Kestrel::BLEND_ALPHA;
using Kestrel::BLEND_NONE;
using Kestrel::Matrix4;
using Kestrel::Transformable;
using Kestrel::Vector3;

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

    std::unique_ptr<Kestrel::Shader> makeShader() {
        std::unique_ptr<Kestrel::Shader> shader(m_Device.createShader());
        shader->compile(VERTEX_PROGRAM, FRAGMENT_PROGRAM);
        return shader;
    }
    void queue(Kestrel::FaceList* faces, Kestrel::Texture* texture,
               Kestrel::BlendMode blend = BLEND_NONE, Transformable* placement = nullptr,
               Kestrel::Morphable* morph = nullptr) {
        m_Device.addToRenderQueue(faces, placement, texture, nullptr, morph, blend);
    }

    Kestrel::OpenGLRenderDevice m_Device;
    Kestrel::Camera m_Camera;
};

// Shifts every vertex up by 2 unless it declines; counts its calls.
struct LiftingMorphable : Kestrel::Morphable {
    explicit LiftingMorphable(bool result) : m_Result(result) {}
    bool morph(const Kestrel::VertexList& in, Kestrel::VertexList& out) override {
        ++m_Calls;
        out.clear();
        for (unsigned i = 0; m_Result && i < in.getVertexCount(); ++i)
            out.addVertex(in.getPosition(i) + Kestrel::Vector3(0, 2, 0), in.getNormal(i),
                          in.getTexCoord(i));
        return m_Result;
    }
    bool m_Result;
    int m_Calls = 0;
};

// A unit given makes it the active one first.
GLint integer(GLenum name, int textureUnit = -1) {
    if (textureUnit >= 0)
        glActiveTexture(GL_TEXTURE0 + textureUnit);
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

// A cube of half-size 1 around the origin, each side with its own normal.
void addBox(Kestrel::VertexList& vertices, Kestrel::FaceList& faces) {
    for (const Vector3& n : {Vector3(1, 0, 0), Vector3(-1, 0, 0), Vector3(0, 1, 0),
                             Vector3(0, -1, 0), Vector3(0, 0, 1), Vector3(0, 0, -1)}) {
        const Vector3 u = n.y != 0 ? Vector3(1, 0, 0) : Vector3(-n.z, 0, n.x);
        const Vector3 v = Kestrel::cross(n, u);
        const uint16_t a = uint16_t(vertices.addVertex(n - u - v, n, {0, 1}));
        const uint16_t b = uint16_t(vertices.addVertex(n + u - v, n, {1, 1}));
        const uint16_t c = uint16_t(vertices.addVertex(n - u + v, n, {0, 0}));
        const uint16_t d = uint16_t(vertices.addVertex(n + u + v, n, {1, 0}));
        faces.addQuad(a, b, c, d);
    }
}

// The square 1..3 x 0..2 seen from 10 away (f = 2.41421) covers pixels
// x 377.9..493.8 and y 240..355.9.
TEST_F(OpenGLRenderDeviceGlTest, TexturedQuadLandsWhereCameraAndProjectionPutIt) {
    auto texture = makeQuadrantTexture(m_Device);
    Quad quad = makeQuad(m_Device, -1, -1, 1, 1);
    Transformable placement;
    placement.setPosition(2, 1, 0);
    placement.update(0);
    queue(quad.faces.get(), texture.get(), BLEND_NONE, &placement);
    m_Device.render(&m_Camera);
    expectSpots({{407, 327, RED},
                 {465, 327, GREEN},
                 {407, 269, BLUE},
                 {465, 269, WHITE},
                 {375, 300, BLACK},
                 {497, 300, BLACK},
                 {430, 237, BLACK},
                 {430, 359, BLACK}});
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
    m_Device.render(&m_Camera);
    expectSpots({{250, 240, {128, 0, 127, 255}}, {390, 240, {128, 0, 255, 255}}});
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "the last item's blend mode stays";
}

// Two face lists on one vertex list at y -1..1; lifted they cover y 1..3.
TEST_F(OpenGLRenderDeviceGlTest, ConsecutiveItemsSharingVerticesAndMorphableMorphOnce) {
    auto white = makeSolidTexture(m_Device, WHITE);
    std::unique_ptr<Kestrel::VertexList> vertices(m_Device.createVertexList(0));
    std::unique_ptr<Kestrel::FaceList> leftFaces(m_Device.createFaceList(vertices.get(), 0));
    std::unique_ptr<Kestrel::FaceList> rightFaces(m_Device.createFaceList(vertices.get(), 0));
    addQuad(*vertices, *leftFaces, -3, -1, -1, 1);
    addQuad(*vertices, *rightFaces, 1, -1, 3, 1);
    const int leftX = 248, rightX = 392, liftedY = 300, restingY = 220;
    LiftingMorphable lifting(true), declining(false);
    queue(leftFaces.get(), white.get(), BLEND_NONE, nullptr, &lifting);
    queue(rightFaces.get(), white.get(), BLEND_NONE, nullptr, &lifting);
    m_Device.render(&m_Camera);
    EXPECT_EQ(lifting.m_Calls, 1);
    expectSpots({{leftX, liftedY, WHITE}, {rightX, liftedY, WHITE}, {rightX, restingY, BLACK}});

    // A declining morphable leaves the item to its own vertices; an item without
    // morphable does not share the scratch list either.
    m_Device.clear(true, true);
    queue(leftFaces.get(), white.get(), BLEND_NONE, nullptr, &declining);
    queue(leftFaces.get(), white.get(), BLEND_NONE, nullptr, &lifting);
    queue(rightFaces.get(), white.get());
    m_Device.render(&m_Camera);
    EXPECT_EQ(declining.m_Calls, 1);
    EXPECT_EQ(lifting.m_Calls, 2);
    expectSpots({{leftX, restingY, WHITE},
                 {leftX, liftedY, WHITE},
                 {rightX, restingY, WHITE},
                 {rightX, liftedY, BLACK}});
}

// Render restores the stages and shader set before it, leaves unit 0 active,
// empties the queue, and applies the camera and state even with nothing queued.
TEST_F(OpenGLRenderDeviceGlTest, RenderAppliesItsStateAndRestoresTheCallers) {
    std::unique_ptr<Kestrel::Texture> stages[3] = {makeSolidTexture(m_Device, RED),
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
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    for (unsigned stage = 0; stage < 3; ++stage)
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D, stage), GLint(stages[stage]->getHandle()));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D, 3), 0);
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM),
              GLint(static_cast<Kestrel::OpenGLShader*>(before.get())->getProgram()));
    EXPECT_TRUE(m_Device.getRenderQueue().empty());

    resetGlState();
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 1);
    glLoadTransposeMatrixf(Matrix4::translation({1, 2, 3}).m);
    m_Device.render(&m_Camera);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_FALSE(glIsEnabled(array)) << array;
    EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING_ARB), 0);
    EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB), 0);
    GLfloat modelView[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(modelView[12], 0.0f);
    // Perspective times a translation by -10.
    EXPECT_NEAR(projection[0], 2.41421f / (640.0f / 480.0f), 1e-4);
    EXPECT_NEAR(projection[5], 2.41421f, 1e-4);
    EXPECT_NEAR(projection[14], -2001.0 / 1999.0 * -10.0 - 2.0 * 2000.0 / 1999.0, 1e-3);
    EXPECT_TRUE(pixelNear(320, 240, BLACK));
}

TEST_F(OpenGLRenderDeviceGlTest, StateSettersFilterAndReport) {
    auto texture = makeSolidTexture(m_Device, RED);
    AssertionRecorder assertions;
    glActiveTexture(GL_TEXTURE1);
    m_Device.setTexture(texture.get(), 4);
    EXPECT_TRUE(assertions.reported("textureStage < MAX_TEXTURE_STAGES"));
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE1);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D, 1), 0);

    // The device trusts its record: setting the current shader again issues nothing.
    auto shader = makeShader();
    m_Device.setShader(shader.get());
    glUseProgram(0);
    m_Device.setShader(shader.get());
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    m_Device.setShader(nullptr);

    m_Device.setBlendMode(BLEND_ALPHA);
    m_Device.setBlendMode(static_cast<Kestrel::BlendMode>(7));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
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

    std::unique_ptr<Kestrel::FrameBuffer> frameBuffer(m_Device.createFrameBuffer());
    frameBuffer->create(16, 16, false);
    m_Device.setFrameBuffer(frameBuffer.get());
    EXPECT_NE(integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
    m_Device.setFrameBuffer(nullptr);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
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

// Brick-red cubes on a green field (seen along +z, so world +x is on the left),
// lit from above and in front, through the game's camera, with a translucent
// blue pane; the frame is written to test-output/lit_scene.png in the build tree.
TEST_F(OpenGLRenderDeviceGlTest, TexturedLitSceneThroughTheCamera) {
    auto brick = makeSolidTexture(m_Device, {180, 60, 40, 255});
    auto grass = makeSolidTexture(m_Device, {120, 190, 80, 255});
    auto glass = makeSolidTexture(m_Device, {70, 140, 255, 150}, true);
    std::unique_ptr<Kestrel::VertexList> boxVertices(m_Device.createVertexList(0));
    std::unique_ptr<Kestrel::FaceList> box(m_Device.createFaceList(boxVertices.get(), 0));
    addBox(*boxVertices, *box);
    Quad pane = makeQuad(m_Device, -1.2f, 0, 1.2f, 1.6f);

    Transformable ground, left, right, paneHolder;
    ground.setPosition(8, -1, 8);
    ground.setScale(8, 1, 8);
    left.setPosition(6.5f, 1, 8);
    left.setRotation(0, 30, 0);
    right.setPosition(10, 0.75f, 9.5f);
    right.setRotation(0, -20, 0);
    right.setScale(0.75f, 0.75f, 0.75f);
    paneHolder.setPosition(10, 0, 7.5f);
    paneHolder.setRotation(0, 180, 0); // facing the camera
    for (Transformable* t : {&ground, &left, &right, &paneHolder})
        t->update(0);

    // The light's direction is given in world space: identity model-view.
    const GLfloat towardsLight[4] = {0.3f, 1.0f, -0.5f, 0.0f};
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, towardsLight);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);

    m_Camera.lookAt({8, 10, 0}, {8, 0, 8}, {0, 1, 0});
    m_Device.addToRenderQueue(box.get(), &ground, grass.get(), nullptr, nullptr,
                              Kestrel::BLEND_NONE);
    for (Transformable* cube : {&left, &right})
        m_Device.addToRenderQueue(box.get(), cube, brick.get(), nullptr, nullptr,
                                  Kestrel::BLEND_NONE);
    m_Device.addToRenderQueue(pane.faces.get(), &paneHolder, glass.get(), nullptr, nullptr,
                              Kestrel::BLEND_ALPHA);
    m_Device.render(&m_Camera);

    EXPECT_TRUE(saveFrame("lit_scene.png"));

    // The top of the left cube faces the light more than its front; both are brick red.
    const Rgba top = pixelAt(left.transformPoint({0, 1, 0}), 4);
    const Rgba front = pixelAt(left.transformPoint({0, 0, -1}), 4);
    EXPECT_GT(top.r + top.g + top.b, front.r + front.g + front.b + 60);
    EXPECT_GT(front.r, front.g + 20);
    // The field beside the cubes is green; the pane tints what lies behind it blue.
    const Rgba field = pixelAt({8, 0, 4}, 4);
    EXPECT_GT(field.g, field.r + 20);
    const Rgba tinted = pixelAt(paneHolder.transformPoint({0, 0.8f, 0}), 4);
    EXPECT_GT(tinted.b, tinted.r + 20);
    EXPECT_GT(float(tinted.b) / tinted.g, float(field.b) / field.g + 0.3f);
}

} // namespace
