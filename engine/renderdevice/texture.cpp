#include "engine/renderdevice/texture.h"

#include "engine/assert.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <vector>

namespace Kestrel {
namespace {

// Byte order R, G, B (, A) in memory, whatever the machine's endianness.
SDL_Surface* createPackedSurface(bool alpha) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    const Uint32 r = 0x000000FF, g = 0x0000FF00, b = 0x00FF0000, a = 0xFF000000;
    const Uint32 r24 = 0x0000FF, g24 = 0x00FF00, b24 = 0xFF0000;
#else
    const Uint32 r = 0xFF000000, g = 0x00FF0000, b = 0x0000FF00, a = 0x000000FF;
    const Uint32 r24 = 0xFF0000, g24 = 0x00FF00, b24 = 0x0000FF;
#endif
    return alpha ? SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, r, g, b, a)
                 : SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, r24, g24, b24, 0);
}

// Decoded images come in many layouts (paletted, grey, 16 bits, padded rows);
// the texture wants tightly packed RGB or RGBA bytes.
bool packPixels(SDL_Surface* image, bool alpha, std::vector<unsigned char>& pixels) {
    SDL_Surface* layout = createPackedSurface(alpha);
    if (!layout)
        return false;
    SDL_Surface* converted = SDL_ConvertSurface(image, layout->format, SDL_SWSURFACE);
    SDL_FreeSurface(layout);
    if (!converted)
        return false;
    const size_t rowBytes = size_t(converted->w) * (alpha ? 4 : 3);
    pixels.resize(rowBytes * converted->h);
    SDL_LockSurface(converted);
    for (int row = 0; row < converted->h; ++row) {
        std::memcpy(&pixels[row * rowBytes],
                    static_cast<const unsigned char*>(converted->pixels) + row * converted->pitch,
                    rowBytes);
    }
    SDL_UnlockSurface(converted);
    SDL_FreeSurface(converted);
    return true;
}

} // namespace

bool Texture::load(const std::string& path) {
    if (path.empty())
        return false;
    SDL_Surface* image = IMG_Load(path.c_str());
    if (!image) {
        KESTREL_ASSERT_TEXT(image != nullptr, "image != null");
        return false;
    }
    const bool alpha = image->format->Amask != 0;
    const unsigned width = static_cast<unsigned>(image->w);
    const unsigned height = static_cast<unsigned>(image->h);
    std::vector<unsigned char> pixels;
    const bool packed = packPixels(image, alpha, pixels);
    SDL_FreeSurface(image);
    if (!packed)
        return false;
    return create(alpha ? FORMAT_RGBA : FORMAT_RGB, width, height, pixels.data());
}

} // namespace Kestrel
