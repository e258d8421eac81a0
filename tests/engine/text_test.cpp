#include "engine/text.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/gl_context.h"
#include "support/message_recorder.h"
#include "support/temp_dir.h"
#include "support/test_render_device.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using Kestrel::Glyph;
using Kestrel::Text;
using Kestrel::Vector3;
using namespace TestSupport;

namespace {

const char* const SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Its 'W' is wider than the atlas at large pixel sizes.
const char* const WIDE_SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
const unsigned SIZE = 64;

// One face of a font file, opened straight through FreeType.
struct FreeTypeFace {
    explicit FreeTypeFace(const char* path) {
        FT_Init_FreeType(&library);
        FT_New_Face(library, path, 0, &face);
    }
    ~FreeTypeFace() {
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
    FT_GlyphSlot render(FT_ULong character, unsigned size) {
        FT_Set_Pixel_Sizes(face, 0, size);
        FT_Load_Glyph(face, FT_Get_Char_Index(face, character), FT_LOAD_DEFAULT);
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
        return face->glyph;
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// A glyph's place in the atlas in pixels; columns [x0, x1), rows [y0, y1).
struct PixelRect {
    long x0, y0, x1, y1;
};

PixelRect pixelRect(const Glyph& g, unsigned atlasHeight) {
    return {std::lround(g.uLeft * Text::ATLAS_WIDTH), std::lround(g.vTop * atlasHeight),
            std::lround(g.uRight * Text::ATLAS_WIDTH), std::lround(g.vBottom * atlasHeight)};
}

// Checks the placement of each glyph in a loaded atlas; returns the first fault.
std::string glyphFault(const Text& text, const RecordingTexture& atlas) {
    std::vector<unsigned char> covered(atlas.m_Pixels.size(), 0);
    const std::vector<Glyph>& glyphs = text.getGlyphs();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const PixelRect r = pixelRect(glyphs[i], atlas.m_Height);
        const std::string name = "glyph " + std::to_string(glyphs[i].code);
        if (glyphs[i].code != int(32 + i))
            return name + " out of code order";
        if (r.x1 - r.x0 != glyphs[i].bitmapWidth || r.y1 - r.y0 != glyphs[i].bitmapRows)
            return name + " rectangle does not match its bitmap";
        if (r.x0 < 0 || r.y0 < 0 || r.x1 > long(Text::ATLAS_WIDTH) || r.y1 > long(atlas.m_Height))
            return name + " lies outside the atlas";
        for (long y = r.y0; y < r.y1; ++y) {
            unsigned char* row = &covered[size_t(y) * Text::ATLAS_WIDTH + size_t(r.x0)];
            if (std::count(row, row + (r.x1 - r.x0), 1) > 0)
                return name + " overlaps another glyph";
            std::fill_n(row, r.x1 - r.x0, 1);
        }
    }
    for (size_t p = 0; p < covered.size(); ++p) {
        if (!covered[p] && atlas.m_Pixels[p] != 0)
            return "coverage outside every glyph at pixel " + std::to_string(p);
    }
    return "";
}

// Checks the size and glyphs of a loaded atlas; returns the first fault.
std::string atlasFault(const Text& text) {
    const auto* atlas = dynamic_cast<const RecordingTexture*>(text.getTexture());
    if (!atlas || atlas->m_Format != Kestrel::FORMAT_ALPHA || atlas->m_Width != Text::ATLAS_WIDTH)
        return "no 1024-wide alpha atlas";
    const unsigned height = atlas->m_Height;
    if (height != text.getAtlasHeight() || height < 32 || (height & (height - 1)) != 0)
        return "height " + std::to_string(height) + " is not a power of two from 32";
    if (text.getGlyphs().size() != 95)
        return std::to_string(text.getGlyphs().size()) + " glyphs";
    return glyphFault(text, *atlas);
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_Text.load(SANS, SIZE)) << "install fonts-dejavu-core"; }

    const Glyph& glyph(char c) const { return m_Text.getGlyphs()[size_t(c - 32)]; }
    // Top-left corner of the quad of the n-th drawn character.
    Vector3 corner(unsigned quad) const { return m_Text.getVertexList()->getPosition(4 * quad); }
    unsigned vertexCount() const { return m_Text.getVertexList()->getVertexCount(); }

    TestRenderDevice m_Device;
    Text m_Text{&m_Device};
};

// One Text reloaded with each font: each load replaces the last.
TEST_F(TextTest, FontsPackIntoAValidAtlas) {
    for (const char* font : {SANS, WIDE_SERIF}) {
        SCOPED_TRACE(font);
        AssertionRecorder recorder;
        ASSERT_TRUE(m_Text.load(font, SIZE));
        EXPECT_TRUE(recorder.reports().empty());
        EXPECT_GT(m_Text.getLineHeight(), 0.5f);
        EXPECT_EQ(atlasFault(m_Text), "");
    }
}

TEST_F(TextTest, GlyphsMatchWhatFreeTypeRenders) {
    const auto* atlas = static_cast<const RecordingTexture*>(m_Text.getTexture());
    FreeTypeFace font(SANS);
    for (const Glyph& g : m_Text.getGlyphs()) {
        SCOPED_TRACE(g.code);
        const FT_GlyphSlot slot = font.render(FT_ULong(g.code), SIZE);
        EXPECT_TRUE(near(g.advance, slot->metrics.horiAdvance / 64.0f / SIZE));
        EXPECT_TRUE(near(g.bearingX, slot->metrics.horiBearingX / 64.0f / SIZE));
        EXPECT_TRUE(near(g.bearingY, slot->metrics.horiBearingY / 64.0f / SIZE));
        EXPECT_TRUE(near(g.width, slot->bitmap.width / float(SIZE)));
        EXPECT_TRUE(near(g.height, slot->bitmap.rows / float(SIZE)));
        const PixelRect r = pixelRect(g, atlas->m_Height);
        int mismatches = 0;
        for (unsigned row = 0; row < slot->bitmap.rows; ++row) {
            for (unsigned column = 0; column < slot->bitmap.width; ++column) {
                const size_t at = size_t(r.y0 + row) * Text::ATLAS_WIDTH + size_t(r.x0 + column);
                mismatches +=
                    atlas->m_Pixels[at] != slot->bitmap.buffer[row * slot->bitmap.pitch + column];
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
    EXPECT_TRUE(near(m_Text.getLineHeight(), font.face->size->metrics.height / 64.0f / SIZE));
}

// A failed load keeps no atlas and is reported; a later draw is refused. A
// driver would store a larger atlas scaled down, so that too fails the load.
TEST_F(TextTest, BadArgumentsFilesAndSizesAreNamed) {
    TempDir directory;
    const std::string notAFont = directory.file("not_a_font.ttf");
    directory.write("not_a_font.ttf", "this is not a font\n");
    // FreeType reads tables as it needs them: a cut font still loads, but is named.
    const std::string cut = directory.file("cut_font.ttf");
    const std::string bytes = readFile(SANS);
    directory.write("cut_font.ttf", bytes.substr(0, bytes.size() - 100));
    // One Text throughout: a failed load also drops the atlas loaded before.
    const unsigned height = m_Text.getAtlasHeight();
    ASSERT_LT(height, Text::ATLAS_WIDTH);
    auto tooLarge = [](unsigned size, unsigned limit) {
        return "' at " + std::to_string(size) + " pixels needs a glyph atlas larger than the " +
               "driver's largest texture (GL_MAX_TEXTURE_SIZE " + std::to_string(limit) + ")";
    };

    const struct {
        std::string path;
        unsigned size, limit;
        bool loads;
        std::string message;
    } cases[] = {
        {"", SIZE, 16384, false, ""},
        {SANS, 1025, 16384, false, ""},
        {SANS, 0, 16384, false, ""},
        {"/nonexistent/font.ttf", SIZE, 16384, false, "' could not be opened"},
        {notAFont, SIZE, 16384, false, "' could not be opened"},
        {cut, SIZE, 16384, true, "' is cut short: its table"},
        {SANS, SIZE, height, false, tooLarge(SIZE, height)},
        {SANS, SIZE, Text::ATLAS_WIDTH, true, ""},
        {SANS, SIZE * 4, Text::ATLAS_WIDTH, false, tooLarge(SIZE * 4, Text::ATLAS_WIDTH)},
        {WIDE_SERIF, 1024, 16384, false, "' cannot draw the character"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " at " + std::to_string(c.size) + ", limit " +
                     std::to_string(c.limit));
        AssertionRecorder recorder;
        m_Device.m_MaxTextureSize = c.limit;
        TestSupport::MessageRecorder messages;
        EXPECT_EQ(m_Text.load(c.path, c.size), c.loads);
        const std::string output = messages.text();
        if (c.message.empty())
            EXPECT_EQ(output, "");
        else
            EXPECT_NE(output.find("Error: Font file '" + c.path + c.message), std::string::npos)
                << output;
        EXPECT_EQ(m_Text.getTexture() != nullptr, c.loads);
        if (c.loads)
            continue;
        EXPECT_EQ(recorder.reports(), std::vector<std::string>{"false"});
        recorder.clear();
        const size_t drawn = m_Device.m_DrawnFaceLists.size();
        m_Text.draw("Ants");
        EXPECT_EQ(recorder.reports(), std::vector<std::string>{"m_Texture != null"});
        EXPECT_EQ(m_Device.m_DrawnFaceLists.size(), drawn);
    }
}

TEST_F(TextTest, QuadsCarryTheGlyphCornersAndTextureCoordinates) {
    RecordingShader shader;
    m_Device.setShader(&shader);
    m_Text.draw("A");
    const Glyph& a = glyph('A');
    const float left = a.bearingX, top = a.bearingY;
    const float right = left + a.width, bottom = top - a.height;
    const Kestrel::VertexList& v = *m_Text.getVertexList();
    ASSERT_EQ(v.getVertexCount(), 4u);
    const Vector3 corners[4] = {
        {left, top, 0}, {right, top, 0}, {left, bottom, 0}, {right, bottom, 0}};
    const Kestrel::Vector2 texCoords[4] = {
        {a.uLeft, a.vTop}, {a.uRight, a.vTop}, {a.uLeft, a.vBottom}, {a.uRight, a.vBottom}};
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_TRUE(near(v.getPosition(i), corners[i])) << i;
        EXPECT_EQ(v.getTexCoord(i), texCoords[i]) << i;
    }
    const Kestrel::FaceList& f = *m_Text.getFaceList();
    ASSERT_EQ(f.getFaceCount(), 2u);
    EXPECT_EQ(std::vector<int>({f.getIndex(0, 0), f.getIndex(0, 1), f.getIndex(0, 2),
                                f.getIndex(1, 0), f.getIndex(1, 1), f.getIndex(1, 2)}),
              std::vector<int>({0, 2, 1, 1, 2, 3}));
    // Drawn at once, untextured by any shader, with the atlas on stage 0.
    EXPECT_EQ(m_Device.m_Shader, nullptr);
    EXPECT_EQ(m_Device.m_Textures[0], m_Text.getTexture());
    EXPECT_EQ(m_Device.m_DrawnFaceLists.back(), m_Text.getFaceList());
}

// Where the second drawn character starts: 'B' after 'A' on the line given.
TEST_F(TextTest, PenAdvancesAlongALineAndNewlinesMoveItDown) {
    const float line = m_Text.getLineHeight();
    const Vector3 afterA(glyph('A').advance + glyph('B').bearingX, glyph('B').bearingY, 0);
    const Vector3 below(glyph('B').bearingX, glyph('B').bearingY - line, 0);
    const struct {
        const char* text;
        unsigned quads;
        Vector3 second;
    } cases[] = {
        {"AB", 2, afterA},
        {"A\nB", 2, below},
        {"A\n\nB\n", 2, below - Vector3(0, line, 0)},
        // Outside printable ASCII: skipped without moving the pen.
        {"A\037B", 2, afterA},
        {"A\177B", 2, afterA},
        {"A\200B", 2, afterA},
        {"Ants: 9/10\nKills: 0",
         18,
         {glyph('A').advance + glyph('n').bearingX, glyph('n').bearingY, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        m_Text.draw(c.text);
        ASSERT_EQ(vertexCount(), 4 * c.quads);
        EXPECT_EQ(m_Text.getFaceList()->getFaceCount(), 2 * c.quads);
        EXPECT_TRUE(near(corner(1), c.second));
    }
    // The tilde is the last printable character and has its own glyph.
    m_Text.draw("~");
    ASSERT_EQ(vertexCount(), 4u);
    EXPECT_EQ(m_Text.getVertexList()->getTexCoord(0).u, glyph('~').uLeft);
    EXPECT_GT(glyph('~').bitmapWidth, 0);
}

class TextGlTest : public GlTest {
protected:
    Kestrel::OpenGLRenderDevice m_Device;
    Text m_Text{&m_Device};
};

// 768 pixels makes an atlas taller than any driver here takes.
TEST_F(TextGlTest, AFontTooLargeForTheDriverIsRefused) {
    AssertionRecorder quiet;
    TestSupport::MessageRecorder messages;
    EXPECT_FALSE(m_Text.load(SANS, 768));
    EXPECT_NE(messages.text().find("GL_MAX_TEXTURE_SIZE"), std::string::npos);
    EXPECT_EQ(m_Text.getTexture(), nullptr);
}

} // namespace
