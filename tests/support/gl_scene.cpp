#include "support/gl_scene.h"

#include <cstdlib>
#include <vector>

namespace TestSupport {

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

std::unique_ptr<Kestrel::Texture> makeSolidTexture(Kestrel::RenderDevice& device, Rgba8 color,
                                                   bool alpha) {
    const int size = 8;
    std::vector<uint8_t> pixels;
    for (int i = 0; i < size * size; ++i) {
        pixels.insert(pixels.end(), {color.r, color.g, color.b});
        if (alpha)
            pixels.push_back(color.a);
    }
    std::unique_ptr<Kestrel::Texture> texture(device.createTexture());
    texture->create(alpha ? Kestrel::FORMAT_RGBA : Kestrel::FORMAT_RGB, size, size, pixels.data());
    return texture;
}

std::unique_ptr<Kestrel::Texture> makeQuadrantTexture(Kestrel::RenderDevice& device) {
    const int size = 16;
    const Rgba8 quadrants[4] = {RED, GREEN, BLUE, WHITE};
    std::vector<uint8_t> pixels;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Rgba8 c = quadrants[(x < size / 2 ? 0 : 1) + (y < size / 2 ? 0 : 2)];
            pixels.insert(pixels.end(), {c.r, c.g, c.b});
        }
    }
    std::unique_ptr<Kestrel::Texture> texture(device.createTexture());
    texture->create(Kestrel::FORMAT_RGB, size, size, pixels.data());
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

} // namespace TestSupport
