#include "engine/text.h"

#include "app/world.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/gl_context.h"
#include "support/test_render_device.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

using Kestrel::Glyph;
using Kestrel::Text;
using Kestrel::Vector3;
using TestSupport::AssertionRecorder;
using TestSupport::near;
using TestSupport::RecordingTexture;
using TestSupport::TestRenderDevice;

namespace {

const char* const FONT_DIRECTORY = "/usr/share/fonts";
const char* const SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Its 'W' is wider than the atlas at large pixel sizes.
const char* const WIDE_SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
const unsigned SIZE = 64;

std::vector<std::string> installedFonts() {
    std::vector<std::string> fonts;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(FONT_DIRECTORY, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (it->is_regular_file() && (extension == ".ttf" || extension == ".otf"))
            fonts.push_back(it->path().string());
    }
    std::sort(fonts.begin(), fonts.end());
    return fonts;
}

// A glyph's place in the atlas in pixels; columns [x0, x1), rows [y0, y1).
struct PixelRect {
    long x0, y0, x1, y1;
};

PixelRect pixelRect(const Glyph& g, unsigned atlasHeight) {
    return {std::lround(g.uLeft * Text::ATLAS_WIDTH), std::lround(g.vTop * atlasHeight),
            std::lround(g.uRight * Text::ATLAS_WIDTH), std::lround(g.vBottom * atlasHeight)};
}

bool overlap(const PixelRect& a, const PixelRect& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// Checks the shelf layout of a loaded atlas; returns a description of the first fault.
std::string atlasFault(const Text& text) {
    const auto* atlas = dynamic_cast<const RecordingTexture*>(text.getTexture());
    if (!atlas || atlas->m_Format != Kestrel::FORMAT_ALPHA || atlas->m_Width != Text::ATLAS_WIDTH)
        return "no 1024-wide alpha atlas";
    const unsigned height = atlas->m_Height;
    if (height != text.getAtlasHeight() || height < 32 || (height & (height - 1)) != 0)
        return "height " + std::to_string(height) + " is not a power of two from 32";
    const std::vector<Glyph>& glyphs = text.getGlyphs();
    if (glyphs.size() != 95)
        return std::to_string(glyphs.size()) + " glyphs";

    std::map<long, std::vector<PixelRect>> shelves; // by top row
    std::vector<unsigned char> covered(atlas->m_Pixels.size(), 0);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        const PixelRect r = pixelRect(g, height);
        const std::string name = "glyph " + std::to_string(g.code);
        if (g.code != int(32 + i))
            return name + " out of code order";
        if (r.x1 - r.x0 != g.bitmapWidth || r.y1 - r.y0 != g.bitmapRows)
            return name + " rectangle does not match its bitmap";
        if (r.x0 < 0 || r.y0 < 0 || r.x1 > long(Text::ATLAS_WIDTH) || r.y1 > long(height))
            return name + " lies outside the atlas";
        for (size_t j = 0; j < i; ++j) {
            if (overlap(r, pixelRect(glyphs[j], height)))
                return name + " overlaps glyph " + std::to_string(glyphs[j].code);
        }
        shelves[r.y0].push_back(r);
        for (long y = r.y0; y < r.y1; ++y)
            std::fill_n(&covered[size_t(y) * Text::ATLAS_WIDTH + size_t(r.x0)], r.x1 - r.x0, 1);
    }
    for (size_t p = 0; p < covered.size(); ++p) {
        if (!covered[p] && atlas->m_Pixels[p] != 0)
            return "coverage outside every glyph at pixel " + std::to_string(p);
    }

    long expectedTop = 0;
    long previousRight = -1;
    for (auto& [top, rects] : shelves) {
        std::sort(rects.begin(), rects.end(),
                  [](const PixelRect& a, const PixelRect& b) { return a.x0 < b.x0; });
        const std::string shelf = "shelf at row " + std::to_string(top);
        if (top != expectedTop)
            return shelf + " should start at row " + std::to_string(expectedTop);
        if (rects.front().x0 != 2)
            return shelf + " does not start at x = 2";
        // Greedy filling: the first glyph of this shelf did not fit on the previous one.
        if (previousRight >= 0 && previousRight + 4 + (rects.front().x1 - rects.front().x0) <= 1024)
            return shelf + " starts with a glyph that fitted on the shelf above";
        long tallest = 0;
        for (size_t k = 0; k < rects.size(); ++k) {
            if (k > 0 && rects[k].x0 != rects[k - 1].x1 + 4)
                return shelf + " has a gap other than 4 pixels";
            tallest = std::max(tallest, rects[k].y1 - rects[k].y0);
        }
        previousRight = rects.back().x1;
        expectedTop = top + tallest + 4;
    }
    if (long(height) < expectedTop || (height > 32 && long(height / 2) >= expectedTop))
        return "height " + std::to_string(height) + " is not the smallest that holds the shelves";
    return "";
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_Text.load(SANS, SIZE)) << "install fonts-dejavu-core"; }

    const Glyph& glyph(char c) const { return m_Text.getGlyphs()[size_t(c - 32)]; }
    Vector3 vertex(unsigned index) const { return m_Text.getVertexList()->getPosition(index); }
    // Top-left corner of the quad of the n-th drawn character.
    Vector3 corner(unsigned quad) const { return vertex(4 * quad); }

    TestRenderDevice m_Device;
    Text m_Text{&m_Device};
};

TEST(TextAtlasTest, EveryInstalledFontPacksIntoAValidAtlas) {
    const std::vector<std::string> fonts = installedFonts();
    ASSERT_FALSE(fonts.empty()) << "no fonts under " << FONT_DIRECTORY
                                << ": run scripts/install-deps.sh";
    for (const std::string& font : fonts) {
        SCOPED_TRACE(font);
        AssertionRecorder recorder;
        TestRenderDevice device;
        Text text(&device);
        ASSERT_TRUE(text.load(font, SIZE));
        EXPECT_TRUE(recorder.reports().empty());
        EXPECT_GT(text.getLineHeight(), 0.5f);
        EXPECT_EQ(atlasFault(text), "");
    }
}

TEST(TextAtlasTest, GlyphsMatchWhatFreeTypeRenders) {
    TestRenderDevice device;
    Text text(&device);
    ASSERT_TRUE(text.load(SANS, SIZE));
    const auto* atlas = static_cast<const RecordingTexture*>(text.getTexture());

    FT_Library library;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, SANS, 0, &face), 0);
    FT_Set_Pixel_Sizes(face, 0, SIZE);
    EXPECT_TRUE(near(text.getLineHeight(), face->size->metrics.height / 64.0f / SIZE));
    for (const Glyph& g : text.getGlyphs()) {
        SCOPED_TRACE(g.code);
        FT_Load_Glyph(face, FT_Get_Char_Index(face, FT_ULong(g.code)), FT_LOAD_DEFAULT);
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
        const FT_GlyphSlot slot = face->glyph;
        EXPECT_TRUE(near(g.advance, slot->metrics.horiAdvance / 64.0f / SIZE));
        EXPECT_TRUE(near(g.bearingX, slot->metrics.horiBearingX / 64.0f / SIZE));
        EXPECT_TRUE(near(g.bearingY, slot->metrics.horiBearingY / 64.0f / SIZE));
        EXPECT_TRUE(near(g.width, slot->bitmap.width / float(SIZE)));
        EXPECT_TRUE(near(g.height, slot->bitmap.rows / float(SIZE)));
        const PixelRect r = pixelRect(g, atlas->m_Height);
        int mismatches = 0;
        for (unsigned row = 0; row < slot->bitmap.rows; ++row) {
            for (unsigned column = 0; column < slot->bitmap.width; ++column) {
                const unsigned char expected =
                    slot->bitmap.buffer[row * slot->bitmap.pitch + column];
                const size_t at = size_t(r.y0 + row) * Text::ATLAS_WIDTH + size_t(r.x0 + column);
                mismatches += atlas->m_Pixels[at] != expected;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST(TextLoadTest, BadArgumentsAndFilesFailWithAReport) {
    const std::string notAFont = FORMIK_BINARY_DIR "/text_test_not_a_font.ttf";
    std::ofstream(notAFont) << "this is not a font\n";
    const std::vector<std::pair<std::string, unsigned>> cases = {
        {"", SIZE}, {SANS, 1025}, {SANS, 0}, {"/nonexistent/font.ttf", SIZE}, {notAFont, SIZE}};
    for (const auto& [path, size] : cases) {
        SCOPED_TRACE(path + " at " + std::to_string(size));
        AssertionRecorder recorder;
        TestRenderDevice device;
        Text text(&device);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(text.load(path, size));
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(recorder.reports(), std::vector<std::string>{"false"});
        EXPECT_EQ(text.getTexture(), nullptr);
        if (size == SIZE && !path.empty()) {
            EXPECT_NE(output.find("Error: Font file '" + path + "' could not be opened"),
                      std::string::npos)
                << output;
        }

        recorder.clear();
        text.draw("Ants");
        EXPECT_EQ(recorder.reports(), std::vector<std::string>{"m_Texture != null"});
        EXPECT_TRUE(device.m_DrawnFaceLists.empty());
    }
}

// A driver would store a larger atlas scaled down; the load names the font,
// its size and the driver's limit instead, and keeps no atlas.
TEST_F(TextTest, AnAtlasLargerThanTheDriverTakesIsRefused) {
    const unsigned height = m_Text.getAtlasHeight();
    ASSERT_LT(height, Text::ATLAS_WIDTH);
    const struct {
        unsigned size, limit;
        bool loads;
    } cases[] = {{SIZE, height, false},
                 {SIZE, Text::ATLAS_WIDTH, true},
                 {SIZE * 4, Text::ATLAS_WIDTH, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " pixels, limit " + std::to_string(c.limit));
        AssertionRecorder recorder;
        m_Device.m_MaxTextureSize = c.limit;
        testing::internal::CaptureStdout();
        EXPECT_EQ(m_Text.load(SANS, c.size), c.loads);
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(m_Text.getTexture() != nullptr, c.loads);
        EXPECT_EQ(recorder.reports().empty(), c.loads);
        const std::string expected = "Error: Font file '" + std::string(SANS) + "' at " +
                                     std::to_string(c.size) + " pixels needs a glyph atlas larger";
        EXPECT_EQ(output.find(expected) == 0 &&
                      output.find("(GL_MAX_TEXTURE_SIZE " + std::to_string(c.limit) + ")") !=
                          std::string::npos,
                  !c.loads)
            << output;
    }
}

// FreeType reads tables as it needs them: a font cut after the glyphs of the
// printable characters still loads, but is named as cut short.
TEST(TextLoadTest, AFontCutShortIsNamed) {
    std::ifstream whole(SANS, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(whole)),
                            std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 1000u);
    const std::string cut = FORMIK_BINARY_DIR "/text_test_cut_font.ttf";
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 100);

    AssertionRecorder quiet;
    TestRenderDevice device;
    Text text(&device);
    testing::internal::CaptureStdout();
    text.load(cut, SIZE);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("Error: Font file '" + cut + "' is cut short: its table"),
              std::string::npos)
        << output;

    testing::internal::CaptureStdout();
    ASSERT_TRUE(text.load(SANS, SIZE));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// The smallest pixel size at which the character's bitmap is wider than width.
unsigned sizeWiderThan(FT_Face face, FT_ULong character, unsigned width) {
    unsigned low = 1, high = 1024;
    while (low < high) {
        const unsigned mid = (low + high) / 2;
        FT_Set_Pixel_Sizes(face, 0, mid);
        FT_Load_Glyph(face, FT_Get_Char_Index(face, character), FT_LOAD_DEFAULT);
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
        if (face->glyph->bitmap.width > width)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

TEST(TextLoadTest, AGlyphTooWideForTheAtlasFailsTheLoad) {
    FT_Library library;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, WIDE_SERIF, 0, &face), 0);
    // From x = 2, a bitmap wider than 1022 pixels would run past the right edge.
    const unsigned justTooWide = sizeWiderThan(face, 'W', 1022);
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    for (unsigned size : {justTooWide, 1024u}) {
        SCOPED_TRACE(size);
        AssertionRecorder recorder;
        TestRenderDevice device;
        Text text(&device);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(text.load(WIDE_SERIF, size));
        EXPECT_NE(testing::internal::GetCapturedStdout().find("cannot draw the character"),
                  std::string::npos);
        EXPECT_EQ(recorder.reports(), std::vector<std::string>{"false"});
        EXPECT_EQ(text.getTexture(), nullptr);
    }
}

TEST_F(TextTest, QuadsCarryTheGlyphCornersAndTextureCoordinates) {
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
        EXPECT_EQ(v.getNormal(i), Vector3(0, 0, 0)) << i;
    }

    const Kestrel::FaceList& f = *m_Text.getFaceList();
    ASSERT_EQ(f.getFaceCount(), 2u);
    EXPECT_EQ(std::vector<int>({f.getIndex(0, 0), f.getIndex(0, 1), f.getIndex(0, 2),
                                f.getIndex(1, 0), f.getIndex(1, 1), f.getIndex(1, 2)}),
              std::vector<int>({0, 2, 1, 1, 2, 3}));

    // Drawn at once, untextured by any shader, with the atlas on stage 0.
    TestSupport::RecordingShader shader;
    m_Device.setShader(&shader);
    m_Text.draw("A");
    EXPECT_EQ(m_Device.m_Shader, nullptr);
    EXPECT_EQ(m_Device.m_Textures[0], m_Text.getTexture());
    EXPECT_EQ(m_Device.m_DrawnFaceLists.back(), m_Text.getFaceList());
}

TEST_F(TextTest, PenAdvancesAlongALineAndNewlinesMoveItDown) {
    m_Text.draw("Ants: 9/10\nKills: 0");
    // 10 + 8 printable characters, spaces included; the newline adds no quad.
    EXPECT_EQ(m_Text.getVertexList()->getVertexCount(), 18u * 4);
    EXPECT_EQ(m_Text.getFaceList()->getFaceCount(), 18u * 2);

    const float line = m_Text.getLineHeight();
    EXPECT_TRUE(near(corner(0), {glyph('A').bearingX, glyph('A').bearingY, 0}));
    EXPECT_TRUE(
        near(corner(1), {glyph('A').advance + glyph('n').bearingX, glyph('n').bearingY, 0}));
    EXPECT_TRUE(near(corner(10), {glyph('K').bearingX, glyph('K').bearingY - line, 0}));

    // Two newlines in a row skip a line; a trailing newline draws nothing more.
    m_Text.draw("A\n\nB\n");
    EXPECT_EQ(m_Text.getVertexList()->getVertexCount(), 8u);
    EXPECT_TRUE(near(corner(1), {glyph('B').bearingX, glyph('B').bearingY - 2 * line, 0}));
}

TEST_F(TextTest, CharactersOutsidePrintableAsciiAreSkippedWithoutMovingThePen) {
    m_Text.draw("AB");
    const Vector3 expected = corner(1);
    for (const char* text : {"A\tB",
                             "A\x1f"
                             "B",
                             "A\x7f"
                             "B",
                             "A\x80"
                             "B",
                             "A\xff"
                             "B",
                             "A\rB"}) {
        SCOPED_TRACE(testing::PrintToString(text));
        m_Text.draw(text);
        ASSERT_EQ(m_Text.getVertexList()->getVertexCount(), 8u);
        EXPECT_TRUE(near(corner(1), expected));
    }
    // The tilde is the last printable character and has its own glyph.
    m_Text.draw("~");
    ASSERT_EQ(m_Text.getVertexList()->getVertexCount(), 4u);
    EXPECT_EQ(m_Text.getVertexList()->getTexCoord(0).u, glyph('~').uLeft);
    EXPECT_GT(glyph('~').bitmapWidth, 0);
}

TEST_F(TextTest, AnEmptyStringDrawsAnEmptyFaceList) {
    m_Text.draw("Kills");
    m_Text.draw("");
    EXPECT_EQ(m_Text.getVertexList()->getVertexCount(), 0u);
    EXPECT_EQ(m_Text.getFaceList()->getFaceCount(), 0u);
    ASSERT_EQ(m_Device.m_DrawnFaceLists.size(), 2u);
    EXPECT_EQ(m_Device.m_DrawnFaceLists.back(), m_Text.getFaceList());
}

TEST_F(TextTest, AStringBeyondSixteenBitIndicesIsCutShort) {
    const std::string longText(20000, 'x');
    m_Text.draw(longText.c_str());
    EXPECT_EQ(m_Text.getVertexList()->getVertexCount(), 65536u);
    EXPECT_EQ(m_Text.getFaceList()->getFaceCount(), 32768u);
    const Kestrel::FaceList& f = *m_Text.getFaceList();
    EXPECT_EQ(f.getIndex(32767, 2), 65535);
}

TEST_F(TextTest, ASecondLoadReplacesTheFirst) {
    ASSERT_TRUE(m_Text.load(WIDE_SERIF, 32));
    EXPECT_EQ(m_Text.getGlyphs().size(), 95u);
    EXPECT_EQ(atlasFault(m_Text), "");
}

class TextGlTest : public TestSupport::GlTest {};

// 768 pixels makes an atlas taller than any driver here takes.
TEST_F(TextGlTest, AFontTooLargeForTheDriverIsRefused) {
    Kestrel::OpenGLRenderDevice device;
    Text text(&device);
    AssertionRecorder quiet;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(text.load(SANS, 768));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("GL_MAX_TEXTURE_SIZE"),
              std::string::npos);
    EXPECT_EQ(text.getTexture(), nullptr);
}

TEST_F(TextGlTest, TheHudTextIsWhiteInTheLowerRightAndNowhereElse) {
    using TestSupport::GL_TEST_HEIGHT;
    using TestSupport::GL_TEST_WIDTH;
    Kestrel::OpenGLRenderDevice device;
    Text text(&device);
    ASSERT_TRUE(text.load(SANS, SIZE));
    char hud[100];
    std::snprintf(hud, sizeof hud, "Ants: %d/%d\nKills: %d", 9, 10, 0);

    device.setViewport({0, 0}, {GL_TEST_WIDTH, GL_TEST_HEIGHT});
    device.clear(true, true);
    device.setDepthTest(false);
    device.setBlendMode(Kestrel::BLEND_ALPHA);
    device.setProjectionMatrix(Kestrel::Matrix4::screenOverlay());
    device.setModelViewMatrix(overlayTextMatrix(HUD_SCALE, HUD_POSITION));
    text.draw(hud);
    const std::vector<TestSupport::Rgba> frame = TestSupport::readFrame();

    // Where the quads land: text point (x, y) goes to (0.8 + 0.07 x, 0.2 + 0.07 y)
    // of the window; one pixel of slack for filtering.
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    const Kestrel::VertexList& v = *text.getVertexList();
    for (unsigned i = 0; i < v.getVertexCount(); ++i) {
        const Vector3 p = v.getPosition(i);
        x0 = std::min(x0, (0.8f + 0.07f * p.x) * GL_TEST_WIDTH - 1);
        x1 = std::max(x1, (0.8f + 0.07f * p.x) * GL_TEST_WIDTH + 1);
        y0 = std::min(y0, (0.2f + 0.07f * p.y) * GL_TEST_HEIGHT - 1);
        y1 = std::max(y1, (0.2f + 0.07f * p.y) * GL_TEST_HEIGHT + 1);
    }
    EXPECT_GE(x0, 0.75f * GL_TEST_WIDTH);
    EXPECT_LE(y1, 0.3f * GL_TEST_HEIGHT);

    const float firstBaseline = 0.2f * GL_TEST_HEIGHT;
    const float secondBaseline = (0.2f - 0.07f * text.getLineHeight()) * GL_TEST_HEIGHT;
    int white = 0, firstLine = 0, secondLine = 0, strays = 0, tinted = 0;
    for (int y = 0; y < GL_TEST_HEIGHT; ++y) {
        for (int x = 0; x < GL_TEST_WIDTH; ++x) {
            const TestSupport::Rgba& p = frame[size_t(y) * GL_TEST_WIDTH + size_t(x)];
            if (p.r < 16)
                continue;
            strays += x < x0 || x > x1 || y < y0 || y > y1;
            tinted += p.r != p.g || p.g != p.b;
            white += p.r >= 224;
            firstLine += y > firstBaseline && y < firstBaseline + 0.07f * 0.8f * GL_TEST_HEIGHT;
            secondLine += y > secondBaseline && y < secondBaseline + 0.07f * 0.8f * GL_TEST_HEIGHT;
        }
    }
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(tinted, 0);
    EXPECT_GT(white, 200);
    EXPECT_GT(firstLine, 300);
    EXPECT_GT(secondLine, 300);
}

} // namespace
