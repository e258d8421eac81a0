#include "engine/renderdevice/texture.h"

#include "engine/assert.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace Kestrel {
namespace {

// Larger images are refused before decoding: they exceed what drivers take as
// one texture, and the decoded copies alone would take gigabytes.
const uint32_t MAX_IMAGE_SIDE = 8192;
const size_t PNG_SIGNATURE_SIZE = 8;
const size_t CHUNK_FRAME_SIZE = 12; // length, type and checksum around the data
const uint32_t MAX_CHUNK_LENGTH = 0x7fffffff;

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

uint32_t bigEndian32(const std::string& bytes, size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// What is wrong with the file's PNG structure, or null when every chunk from
// the image header to the end chunk lies inside the file. The image library
// takes a read past the end for data and can loop forever on it, so a file
// that ends early never reaches the decoder.
const char* pngStructureProblem(const std::string& bytes) {
    static const char SIGNATURE[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < PNG_SIGNATURE_SIZE || bytes.compare(0, PNG_SIGNATURE_SIZE, SIGNATURE) != 0)
        return "is not a PNG image";
    size_t offset = PNG_SIGNATURE_SIZE;
    for (bool first = true;; first = false) {
        if (bytes.size() - offset < CHUNK_FRAME_SIZE)
            return "is cut short";
        const uint32_t length = bigEndian32(bytes, offset);
        const std::string type = bytes.substr(offset + 4, 4);
        if (length > MAX_CHUNK_LENGTH || bytes.size() - offset - CHUNK_FRAME_SIZE < length)
            return "is cut short";
        if (first) {
            if (type != "IHDR" || length != 13)
                return "does not start with an image header";
            const uint32_t width = bigEndian32(bytes, offset + 8);
            const uint32_t height = bigEndian32(bytes, offset + 12);
            if (width == 0 || height == 0 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE)
                return "has no size between 1 and 8192 pixels per side";
        }
        if (type == "IEND")
            return nullptr;
        offset += CHUNK_FRAME_SIZE + length;
    }
}

// Decodes PNG bytes that passed the structure check; null (with the library's
// reason in why) when the decoder gives up.
SDL_Surface* decodePng(const std::string& bytes, std::string& why) {
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* image = source ? IMG_LoadPNG_RW(source) : nullptr;
    if (source)
        SDL_RWclose(source);
    if (!image)
        why = IMG_GetError();
    return image;
}

// Reads and decodes the image file, naming it on standard output when it is
// missing or broken.
SDL_Surface* loadImage(const std::string& path) {
    std::string bytes;
    if (!readFile(path, bytes)) {
        std::printf("Error: Texture file '%s' could not be opened.\n", path.c_str());
        return nullptr;
    }
    const char* problem =
        bytes.size() > size_t(INT32_MAX) ? "is too large" : pngStructureProblem(bytes);
    if (problem) {
        std::printf("Error: Texture file '%s' %s.\n", path.c_str(), problem);
        return nullptr;
    }
    std::string why;
    SDL_Surface* image = decodePng(bytes, why);
    if (!image)
        std::printf("Error: Texture file '%s' could not be decoded: %s\n", path.c_str(),
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
