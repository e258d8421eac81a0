#include "tools/preview/gl_window.h"

#include "app/application.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace preview {

bool openWindow() {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "preview: no display (%s)\n", SDL_GetError());
        return false;
    }
    // No multisampling: reading back a multisampled buffer gives black frames on
    // some drivers (Mesa under Xvfb); the contact sheets average pixels instead.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (!SDL_SetVideoMode(FRAME_WIDTH, FRAME_HEIGHT, 32, SDL_OPENGL)) {
        std::fprintf(stderr, "preview: no OpenGL window (%s)\n", SDL_GetError());
        SDL_Quit();
        return false;
    }
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "preview: GLEW could not be initialised\n");
        SDL_Quit();
        return false;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ::setFixedLight();
    return true;
}

void closeWindow() {
    SDL_Quit();
}

void setLighting(bool enabled) {
    if (enabled)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
}

assetgen::Image grabFrame() {
    std::vector<std::uint8_t> rgb(std::size_t(FRAME_WIDTH) * FRAME_HEIGHT * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, FRAME_WIDTH, FRAME_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    assetgen::Image image(FRAME_WIDTH, FRAME_HEIGHT, false);
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        const std::uint8_t* row = &rgb[std::size_t(FRAME_HEIGHT - 1 - y) * FRAME_WIDTH * 3];
        for (int x = 0; x < FRAME_WIDTH; ++x)
            image.set(x, y, {row[3 * x] / 255.0, row[3 * x + 1] / 255.0, row[3 * x + 2] / 255.0});
    }
    return image;
}

} // namespace preview
