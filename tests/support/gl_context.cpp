#include "support/gl_scene.h"

#include <GL/glew.h>
#include <SDL.h>

#include <GL/glu.h>

#include <cstdlib>

namespace TestSupport {

bool ensureGlContext() {
    static bool s_Ready = false;
    static bool s_Tried = false;
    if (s_Tried)
        return s_Ready;
    s_Tried = true;
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return false;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (!SDL_SetVideoMode(GL_TEST_WIDTH, GL_TEST_HEIGHT, 32, SDL_OPENGL))
        return false;
    s_Ready = glewInit() == GLEW_OK;
    return s_Ready;
}

void resetGlState() {
    glViewport(0, 0, GL_TEST_WIDTH, GL_TEST_HEIGHT);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_NORMALIZE);
    glDisable(GL_CULL_FACE);
    glUseProgram(0);
    for (int unit = 3; unit >= 0; --unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int glInteger(unsigned name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

Rgba readPixel(int x, int y) {
    Rgba pixel;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

std::vector<Rgba> readFrame() {
    std::vector<Rgba> frame(size_t(GL_TEST_WIDTH) * GL_TEST_HEIGHT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, GL_TEST_WIDTH, GL_TEST_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    return frame;
}

std::vector<Rgba> readTexture(unsigned handle, int level) {
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, handle);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<Rgba> texels(size_t(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

Rgba pixelAt(const Kestrel::Vector3& world, int radius) {
    const GLdouble identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble projection[16], x, y, z;
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(world.x, world.y, world.z, identity, projection, viewport, &x, &y, &z);
    int sum[4] = {};
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const Rgba p = readPixel(int(x) + dx, int(y) + dy);
            const uint8_t channels[4] = {p.r, p.g, p.b, p.a};
            for (int c = 0; c < 4; ++c)
                sum[c] += channels[c];
        }
    }
    const int n = (2 * radius + 1) * (2 * radius + 1);
    return {uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n), uint8_t(sum[3] / n)};
}

void GlTest::SetUp() {
    ASSERT_TRUE(ensureGlContext()) << "no OpenGL context: run through tests/support/with-xvfb.sh";
    resetGlState();
}

void addQuad(Kestrel::VertexList& vertices, Kestrel::FaceList& faces, float x0, float y0, float x1,
             float y1, float z) {
    const Kestrel::Vector3 normal(0, 0, 1);
    const uint16_t a = uint16_t(vertices.addVertex({x0, y0, z}, normal, {0, 1}));
    const uint16_t b = uint16_t(vertices.addVertex({x1, y0, z}, normal, {1, 1}));
    const uint16_t c = uint16_t(vertices.addVertex({x0, y1, z}, normal, {0, 0}));
    const uint16_t d = uint16_t(vertices.addVertex({x1, y1, z}, normal, {1, 0}));
    faces.addQuad(a, b, c, d);
}

Quad makeQuad(Kestrel::RenderDevice& device, float x0, float y0, float x1, float y1, float z,
              int usage) {
    Quad quad;
    quad.vertices.reset(device.createVertexList(usage));
    quad.faces.reset(device.createFaceList(quad.vertices.get(), usage));
    addQuad(*quad.vertices, *quad.faces, x0, y0, x1, y1, z);
    return quad;
}

std::vector<uint8_t> solidPixels(unsigned count, Rgba8 color, int channels) {
    const uint8_t bytes[4] = {color.r, color.g, color.b, color.a};
    std::vector<uint8_t> pixels;
    for (unsigned i = 0; i < count; ++i)
        pixels.insert(pixels.end(), bytes, bytes + channels);
    return pixels;
}

std::unique_ptr<Kestrel::Texture> makeSolidTexture(Kestrel::RenderDevice& device, Rgba8 color,
                                                   bool alpha) {
    std::unique_ptr<Kestrel::Texture> texture(device.createTexture());
    texture->create(alpha ? Kestrel::FORMAT_RGBA : Kestrel::FORMAT_RGB, 8, 8,
                    solidPixels(64, color, alpha ? 4 : 3).data());
    return texture;
}

::testing::AssertionResult colorNear(Rgba actual, Rgba8 expected, int tolerance) {
    if (std::abs(actual.r - expected.r) <= tolerance &&
        std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << int(actual.r) << ", " << int(actual.g) << ", " << int(actual.b)
           << ") is not within " << tolerance << " of (" << int(expected.r) << ", "
           << int(expected.g) << ", " << int(expected.b) << ")";
}

::testing::AssertionResult pixelNear(int x, int y, Rgba8 expected, int tolerance) {
    return colorNear(readPixel(x, y), expected, tolerance)
           << " at pixel (" << x << ", " << y << ")";
}

void expectSpots(std::initializer_list<Spot> spots, int tolerance) {
    for (const Spot& spot : spots)
        EXPECT_TRUE(pixelNear(spot.x, spot.y, spot.color, tolerance));
}

} // namespace TestSupport
