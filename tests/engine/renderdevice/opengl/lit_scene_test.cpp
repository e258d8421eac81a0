#include "engine/camera.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/transformable.h"
#include "support/gl_scene.h"
#include "support/png_file.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <filesystem>
#include <memory>
#include <vector>

using Kestrel::Transformable;
using Kestrel::Vector3;

namespace {

// A brick wall texture: 32 x 16 bricks in staggered rows, 2-pixel mortar.
std::vector<uint8_t> brickPixels(int size) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int shiftedX = x + ((y / 16) % 2) * 16;
            const bool mortar = y % 16 < 2 || shiftedX % 32 < 2;
            const uint8_t shade = uint8_t(((shiftedX / 32) * 37 + (y / 16) * 53) % 40);
            if (mortar)
                pixels.insert(pixels.end(), {200, 200, 190});
            else
                pixels.insert(pixels.end(), {uint8_t(150 + shade), 60, 40});
        }
    }
    return pixels;
}

// Two greens in squares of eight pixels.
std::vector<uint8_t> checkerPixels(int size) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if ((x / 8 + y / 8) % 2)
                pixels.insert(pixels.end(), {90, 160, 60});
            else
                pixels.insert(pixels.end(), {150, 210, 100});
        }
    }
    return pixels;
}

// A cube of half-size 1 around the origin, each side with its own normal.
void addBox(Kestrel::VertexList& vertices, Kestrel::FaceList& faces) {
    const Vector3 normals[6] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
    for (const Vector3& n : normals) {
        // Two axes spanning the side.
        const Vector3 u = n.y != 0 ? Vector3(1, 0, 0) : Vector3(-n.z, 0, n.x);
        const Vector3 v = Kestrel::cross(n, u);
        const uint16_t a = uint16_t(vertices.addVertex(n - u - v, n, {0, 1}));
        const uint16_t b = uint16_t(vertices.addVertex(n + u - v, n, {1, 1}));
        const uint16_t c = uint16_t(vertices.addVertex(n - u + v, n, {0, 0}));
        const uint16_t d = uint16_t(vertices.addVertex(n + u + v, n, {1, 0}));
        faces.addQuad(a, b, c, d);
    }
}

struct Color {
    float r, g, b;
    float brightness() const { return (r + g + b) / 3; }
};

class LitSceneGlTest : public TestSupport::GlTest {
protected:
    void TearDown() override {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisable(GL_NORMALIZE);
    }

    // The mean colour of the 9 x 9 pixels where a world point lands under the
    // camera's projection (a brick's face, not a mortar line).
    static Color colorAt(const Vector3& world) {
        const GLdouble modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        GLdouble projection[16], x, y, z;
        GLint viewport[4];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluProject(world.x, world.y, world.z, modelView, projection, viewport, &x, &y, &z);
        Color sum = {0, 0, 0};
        for (int dy = -4; dy <= 4; ++dy) {
            for (int dx = -4; dx <= 4; ++dx) {
                const TestSupport::Rgba p = TestSupport::readPixel(int(x) + dx, int(y) + dy);
                sum = {sum.r + p.r / 81.0f, sum.g + p.g / 81.0f, sum.b + p.b / 81.0f};
            }
        }
        return sum;
    }

    Kestrel::OpenGLRenderDevice m_Device;
};

// Brick cubes on a checkered field (seen along +z, so world +x is on the left), lit from above and
// in front, seen through the game's camera, with a translucent blue pane; the frame is written to
// test-output/lit_scene.png in the build directory.
TEST_F(LitSceneGlTest, TexturedLitSceneThroughTheCamera) {
    std::unique_ptr<Kestrel::Texture> bricks(m_Device.createTexture());
    bricks->create(Kestrel::FORMAT_RGB, 64, 64, brickPixels(64).data());
    std::unique_ptr<Kestrel::Texture> grass(m_Device.createTexture());
    grass->create(Kestrel::FORMAT_RGB, 64, 64, checkerPixels(64).data());
    auto glass = TestSupport::makeSolidTexture(m_Device, {70, 140, 255, 150}, true);

    std::unique_ptr<Kestrel::VertexList> groundVertices(m_Device.createVertexList(0));
    std::unique_ptr<Kestrel::FaceList> ground(m_Device.createFaceList(groundVertices.get(), 0));
    const Vector3 up(0, 1, 0);
    const uint16_t a = uint16_t(groundVertices->addVertex({0, 0, 0}, up, {0, 1}));
    const uint16_t b = uint16_t(groundVertices->addVertex({16, 0, 0}, up, {1, 1}));
    const uint16_t c = uint16_t(groundVertices->addVertex({0, 0, 16}, up, {0, 0}));
    const uint16_t d = uint16_t(groundVertices->addVertex({16, 0, 16}, up, {1, 0}));
    ground->addQuad(a, b, c, d);
    std::unique_ptr<Kestrel::VertexList> boxVertices(m_Device.createVertexList(0));
    std::unique_ptr<Kestrel::FaceList> box(m_Device.createFaceList(boxVertices.get(), 0));
    addBox(*boxVertices, *box);
    TestSupport::Quad pane = TestSupport::makeQuad(m_Device, -1.2f, 0, 1.2f, 1.6f);

    Transformable left, right, paneHolder;
    left.setPosition(6.5f, 1, 8);
    left.setRotation(0, 30, 0);
    right.setPosition(10, 0.75f, 9.5f);
    right.setRotation(0, -20, 0);
    right.setScale(0.75f, 0.75f, 0.75f);
    paneHolder.setPosition(10, 0, 7.5f);
    paneHolder.setRotation(0, 180, 0); // facing the camera
    for (Transformable* t : {&left, &right, &paneHolder})
        t->update(0);

    // The light's direction is given in world space: identity model-view.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat towardsLight[4] = {0.3f, 1.0f, -0.5f, 0.0f};
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, towardsLight);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);

    Kestrel::Camera camera;
    camera.setAspect(640.0f / 480.0f);
    camera.lookAt({8, 10, 0}, {8, 0, 8}, up);
    m_Device.clear(true, true);
    m_Device.addToRenderQueue(ground.get(), nullptr, grass.get(), nullptr, nullptr,
                              Kestrel::BLEND_NONE);
    m_Device.addToRenderQueue(box.get(), &left, bricks.get(), nullptr, nullptr,
                              Kestrel::BLEND_NONE);
    m_Device.addToRenderQueue(box.get(), &right, bricks.get(), nullptr, nullptr,
                              Kestrel::BLEND_NONE);
    m_Device.addToRenderQueue(pane.faces.get(), &paneHolder, glass.get(), nullptr, nullptr,
                              Kestrel::BLEND_ALPHA);
    m_Device.render(&camera);

    const std::filesystem::path output = std::filesystem::path(FORMIK_BINARY_DIR) / "test-output";
    std::filesystem::create_directories(output);
    std::vector<uint8_t> frame(size_t(TestSupport::GL_TEST_WIDTH) * TestSupport::GL_TEST_HEIGHT *
                               4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, TestSupport::GL_TEST_WIDTH, TestSupport::GL_TEST_HEIGHT, GL_RGBA,
                 GL_UNSIGNED_BYTE, frame.data());
    EXPECT_TRUE(TestSupport::writeRgbaPngBottomUp((output / "lit_scene.png").string(),
                                                  TestSupport::GL_TEST_WIDTH,
                                                  TestSupport::GL_TEST_HEIGHT, frame));

    // The top of the left cube faces the light more than its front does; both are brick red.
    const Color top = colorAt(left.transformPoint({0, 1, 0}));
    const Color front = colorAt(left.transformPoint({0, 0, -1}));
    EXPECT_GT(top.brightness(), front.brightness() + 20);
    EXPECT_GT(front.r, front.g + 20);
    // Ground beside the cubes is green; the pane tints what lies behind it blue.
    const Color field = colorAt({8, 0, 4});
    EXPECT_GT(field.g, field.r + 20);
    const Color tinted = colorAt(paneHolder.transformPoint({0, 0.8f, 0}));
    EXPECT_GT(tinted.b, tinted.r + 20);
    EXPECT_GT(tinted.b / tinted.g, field.b / field.g + 0.3f);
}

} // namespace
