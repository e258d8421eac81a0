// Loads arbitrary bytes as a texture image file the way the game does (the
// file goes through SDL_image), and checks what reaches create. Each input is
// tried under a neutral name and as TGA, the one format known by its name.
#include "engine/assert.h"
#include "fuzz/input_file.h"
#include "fuzz/memory_texture.h"

#include <cstdint>
#include <cstdlib>

namespace {

void loadAs(Fuzz::InputFile& input, const uint8_t* data, size_t size) {
    Fuzz::MemoryTexture texture;
    const bool loaded = texture.load(input.write(data, size));
    if (loaded != (texture.getHandle() != 0))
        std::abort();
    if (loaded && (texture.m_Width == 0 || texture.m_Height == 0))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Kestrel::setAssertionHandler(TestSupport::ignoreAssertion);
    static Fuzz::InputFile image(".img");
    static Fuzz::InputFile targa(".tga");
    loadAs(image, data, size);
    loadAs(targa, data, size);
    return 0;
}
