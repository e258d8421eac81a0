// Small building blocks for tests that draw through a real render device:
// textured squares, one-colour textures and pixel checks with a tolerance.
#pragma once

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "support/gl_context.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace TestSupport {

struct Quad {
    std::unique_ptr<Kestrel::VertexList> vertices;
    std::unique_ptr<Kestrel::FaceList> faces;
};

// A square in the plane z, corners (x0, y0) lower left and (x1, y1) upper right,
// facing +z, with the texture's first row (v = 0) at the top.
Quad makeQuad(Kestrel::RenderDevice& device, float x0, float y0, float x1, float y1, float z = 0,
              int usage = Kestrel::USAGE_STATIC);
// Appends such a square to existing lists.
void addQuad(Kestrel::VertexList& vertices, Kestrel::FaceList& faces, float x0, float y0, float x1,
             float y1, float z = 0);

// count pixels of color, each its first channels (1 to 4) bytes.
std::vector<uint8_t> solidPixels(unsigned count, Rgba8 color, int channels);
// An 8 x 8 texture of one colour; with alpha it is stored as RGBA.
std::unique_ptr<Kestrel::Texture> makeSolidTexture(Kestrel::RenderDevice& device, Rgba8 color,
                                                   bool alpha = false);
const Rgba8 RED = {255, 0, 0, 255};
const Rgba8 GREEN = {0, 255, 0, 255};
const Rgba8 BLUE = {0, 0, 255, 255};
const Rgba8 WHITE = {255, 255, 255, 255};
const Rgba8 BLACK = {0, 0, 0, 255};

// Compares red, green and blue of the back buffer at (x, y), counted from the lower left.
::testing::AssertionResult pixelNear(int x, int y, Rgba8 expected, int tolerance = 3);
::testing::AssertionResult colorNear(Rgba actual, Rgba8 expected, int tolerance);

struct Spot {
    int x, y;
    Rgba8 color;
};
// Checks each spot of the back buffer with pixelNear.
void expectSpots(std::initializer_list<Spot> spots, int tolerance = 3);

} // namespace TestSupport
