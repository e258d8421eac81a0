// Loads arbitrary bytes as the game's font (through FreeType, at the game's
// pixel size) and draws a line of text with whatever came out.
#include "engine/assert.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/text.h"
#include "fuzz/input_file.h"
#include "fuzz/memory_texture.h"

#include <cstdint>
#include <cstdlib>

namespace {

const unsigned GAME_PIXEL_SIZE = 64;

// Every texture coordinate of a placed glyph lies inside the atlas.
void checkAtlas(const Kestrel::Text& text) {
    for (const Kestrel::Glyph& glyph : text.getGlyphs()) {
        if (glyph.uLeft < 0.0f || glyph.uRight > 1.0f || glyph.vTop < 0.0f || glyph.vBottom > 1.0f)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Kestrel::setAssertionHandler(TestSupport::ignoreAssertion);
    static Fuzz::InputFile input(".ttf");
    Fuzz::MemoryTextureDevice device;
    Kestrel::Text text(&device);
    if (!text.load(input.write(data, size), GAME_PIXEL_SIZE))
        return 0;
    checkAtlas(text);
    text.draw("Ants: 9/10\nKills: 0 ~");
    if (text.getVertexList()->getVertexCount() != 4 * 20)
        std::abort();
    return 0;
}
