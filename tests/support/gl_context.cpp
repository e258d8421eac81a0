#include "support/gl_context.h"

#include <GL/glew.h>
#include <SDL.h>

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

void GlTest::SetUp() {
    ASSERT_TRUE(ensureGlContext()) << "no OpenGL context: run through tests/support/with-xvfb.sh";
    resetGlState();
}

} // namespace TestSupport
