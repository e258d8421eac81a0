#include "engine/camera.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/transformable.h"
#include "support/gl_scene.h"
#include "support/png_file.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <filesystem>

using namespace TestSupport;
using Kestrel::Transformable;
using Kestrel::Vector3;

namespace {

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

// The mean colour of the 9 x 9 pixels where a world point lands.
Vector3 colorAt(const Vector3& world) {
    const GLdouble identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble projection[16], x, y, z;
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(world.x, world.y, world.z, identity, projection, viewport, &x, &y, &z);
    Vector3 sum;
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            const Rgba p = readPixel(int(x) + dx, int(y) + dy);
            sum = sum + Vector3(p.r, p.g, p.b) * (1 / 81.0f);
        }
    }
    return sum;
}

class LitSceneGlTest : public GlTest {
protected:
    void TearDown() override {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisable(GL_NORMALIZE);
    }
    Kestrel::OpenGLRenderDevice m_Device;
};

// Brick-red cubes on a green field (seen along +z, so world +x is on the left),
// lit from above and in front, through the game's camera, with a translucent
// blue pane; the frame is written to test-output/lit_scene.png in the build tree.
TEST_F(LitSceneGlTest, TexturedLitSceneThroughTheCamera) {
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

    Kestrel::Camera camera;
    camera.setAspect(float(GL_TEST_WIDTH) / GL_TEST_HEIGHT);
    camera.lookAt({8, 10, 0}, {8, 0, 8}, {0, 1, 0});
    m_Device.addToRenderQueue(box.get(), &ground, grass.get(), nullptr, nullptr,
                              Kestrel::BLEND_NONE);
    for (Transformable* cube : {&left, &right})
        m_Device.addToRenderQueue(box.get(), cube, brick.get(), nullptr, nullptr,
                                  Kestrel::BLEND_NONE);
    m_Device.addToRenderQueue(pane.faces.get(), &paneHolder, glass.get(), nullptr, nullptr,
                              Kestrel::BLEND_ALPHA);
    m_Device.render(&camera);

    const std::filesystem::path output = std::filesystem::path(FORMIK_BINARY_DIR) / "test-output";
    std::filesystem::create_directories(output);
    const std::vector<Rgba> frame = readFrame();
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.data());
    EXPECT_TRUE(writeRgbaPngBottomUp((output / "lit_scene.png").string(), GL_TEST_WIDTH,
                                     GL_TEST_HEIGHT,
                                     std::vector<uint8_t>(bytes, bytes + frame.size() * 4)));

    // The top of the left cube faces the light more than its front; both are brick red.
    const Vector3 top = colorAt(left.transformPoint({0, 1, 0}));
    const Vector3 front = colorAt(left.transformPoint({0, 0, -1}));
    EXPECT_GT(top.x + top.y + top.z, front.x + front.y + front.z + 60);
    EXPECT_GT(front.x, front.y + 20);
    // The field beside the cubes is green; the pane tints what lies behind it blue.
    const Vector3 field = colorAt({8, 0, 4});
    EXPECT_GT(field.y, field.x + 20);
    const Vector3 tinted = colorAt(paneHolder.transformPoint({0, 0.8f, 0}));
    EXPECT_GT(tinted.z, tinted.x + 20);
    EXPECT_GT(tinted.z / tinted.y, field.z / field.y + 0.3f);
}

} // namespace
