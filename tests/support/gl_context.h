// The OpenGL context of the test process: one 640 x 480 SDL window (SDL 1.2
// allows one), opened on first need on the display that with-xvfb.sh started,
// shared by every ...GlTest suite. Fixtures derive from GlTest to start each test
// from a known state and read the frame back.
#pragma once

#include "engine/vector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace TestSupport {

const int GL_TEST_WIDTH = 640;
const int GL_TEST_HEIGHT = 480;

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// Opens the window and initialises GLEW once; false when there is no display.
bool ensureGlContext();
// Viewport over the window, black clear, no blending, depth test, lights or
// program, identity matrices, nothing bound.
void resetGlState();
// One glGetIntegerv value (an unsigned GLenum name; -1 if OpenGL gave none).
int glInteger(unsigned name);
// Reads the back buffer; (x, y) counts from the lower-left corner.
Rgba readPixel(int x, int y);
std::vector<Rgba> readFrame();
// The texels of one level of a 2D texture, rows from the first.
std::vector<Rgba> readTexture(unsigned handle, int level = 0);
// The mean of the (2 radius + 1)^2 pixels around where a world point lands under
// the current projection (the model-view taken as identity).
Rgba pixelAt(const Kestrel::Vector3& world, int radius = 0);

// The context and GLEW are ready before a fixture's members are made, so a
// fixture may hold a render device.
class GlTest : public ::testing::Test {
protected:
    GlTest() { ensureGlContext(); }
    void SetUp() override;
};

} // namespace TestSupport
