#include "engine/renderdevice/texture.h"

#include "engine/assert.h"
#include "engine/renderdevice/imagefile.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <fstream>
#include <vector>

namespace Kestrel {
namespace {

typedef SDL_Surface* (*Decoder)(SDL_RWops*);

// The image library's reader for each format, in the order of ImageFormat.
const Decoder DECODERS[] = {nullptr,        IMG_LoadPNG_RW, IMG_LoadJPG_RW, IMG_LoadBMP_RW,
                            IMG_LoadICO_RW, IMG_LoadCUR_RW, IMG_LoadGIF_RW, IMG_LoadTGA_RW,
                            IMG_LoadPNM_RW, IMG_LoadTIF_RW, IMG_LoadXPM_RW, IMG_LoadWEBP_RW,
                            IMG_LoadPCX_RW};
static_assert(sizeof(DECODERS) / sizeof(DECODERS[0]) == IMAGE_FORMAT_COUNT, "one per format");

// Through read, which turns a failing read (a directory opens, then cannot be
// read) into a bad stream; a stream buffer iterator lets that throw.
bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0)
        bytes.append(chunk, size_t(file.gcount()));
    return !file.bad();
}

// Decodes bytes that passed the structure check; null (with the library's
// reason in why) when the decoder gives up.
SDL_Surface* decode(const std::string& bytes, ImageFormat format, std::string& why) {
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* image = source ? DECODERS[format](source) : nullptr;
    if (source)
        SDL_RWclose(source);
    if (!image)
        why = IMG_GetError();
    return image;
}

// Reads and decodes the image file, naming it in a message when it is
// missing or broken.
SDL_Surface* loadImage(const std::string& path) {
    std::string bytes;
    if (!readFile(path, bytes)) {
        reportMessage(MessageSeverity::DATA_ERROR, "Error: Texture file '%s' could not be opened.",
                      path.c_str());
        return nullptr;
    }
    const ImageCheck check = checkImageFile(bytes, path);
    if (check.problem) {
        reportMessage(MessageSeverity::DATA_ERROR, "Error: Texture file '%s' %s.", path.c_str(),
                      check.problem);
        return nullptr;
    }
    std::string why;
    SDL_Surface* image = decode(bytes, check.format, why);
    if (!image)
        reportMessage(MessageSeverity::DATA_ERROR,
                      "Error: Texture file '%s' could not be decoded: %s", path.c_str(),
                      why.c_str());
    return image;
}

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
    SDL_Surface* image = loadImage(path);
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
