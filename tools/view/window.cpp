#include "tools/view/window.h"

#include <GL/glew.h>
#include <SDL.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace view {

namespace {

// SDL 1.2 over SDL 2 never frees the window's surface: held here, it stays
// reachable until exit (as the game's g_Screen does) instead of leaking.
SDL_Surface* g_Window = nullptr;

// libpng reports through longjmp; rows are given top first.
bool writePng(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& rgbTopDown) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y)
            png_write_row(png, &rgbTopDown[std::size_t(y) * std::size_t(width) * 3]);
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return std::fclose(file) == 0 && written;
}

} // namespace

bool openWindow(int width, int height, const char* caption) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "kestrel-view: no display (%s)\n", SDL_GetError());
        return false;
    }
    // Single-sampled: a multisampled back buffer reads back black under some
    // drivers (Mesa under Xvfb), and --shot reads it back.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    g_Window = SDL_SetVideoMode(width, height, 32, SDL_OPENGL);
    if (!g_Window) {
        std::fprintf(stderr, "kestrel-view: no OpenGL window (%s)\n", SDL_GetError());
        SDL_Quit();
        return false;
    }
    SDL_WM_SetCaption(caption, nullptr);
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "kestrel-view: GLEW could not be initialised\n");
        SDL_Quit();
        return false;
    }
    return true;
}

void closeWindow() {
    SDL_Quit();
}

bool saveFrame(int width, int height, const std::string& path) {
    std::vector<std::uint8_t> bottomUp(std::size_t(width) * std::size_t(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    const std::size_t row = std::size_t(width) * 3;
    std::vector<std::uint8_t> topDown(bottomUp.size());
    for (int y = 0; y < height; ++y)
        std::copy_n(&bottomUp[std::size_t(height - 1 - y) * row], row,
                    &topDown[std::size_t(y) * row]);
    if (writePng(path, width, height, topDown))
        return true;
    std::fprintf(stderr, "kestrel-view: cannot write '%s'\n", path.c_str());
    return false;
}

} // namespace view
