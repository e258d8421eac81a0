#include "engine/text.h"

#include "engine/assert.h"
#include "engine/problemreport.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <climits>
#include <fstream>

namespace Kestrel {
namespace {

const int FIRST_CODE = 32;
const int LAST_CODE = 126;
const unsigned MAX_PIXEL_SIZE = 1024;
const unsigned FIRST_ATLAS_HEIGHT = 32;
const unsigned GLYPH_GAP = 4;
const unsigned SHELF_LEFT = 2;
// The widest bitmap that still fits between the shelf's left margin and the right edge.
const unsigned MAX_GLYPH_WIDTH = Text::ATLAS_WIDTH - SHELF_LEFT;
// Rows of a glyph bitmap as its 16-bit record holds them.
const unsigned MAX_GLYPH_ROWS = 0xffff;
// 16-bit indices address this many vertices in one draw.
const unsigned MAX_VERTICES = 65536;
const float FROM_26_6 = 0.015625f;
const Vector3 NO_NORMAL(0.0f, 0.0f, 0.0f);

// The FreeType library and face, held only for the length of one load and
// released on every way out of it.
class FontFace {
public:
    FontFace() = default;
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
    ~FontFace() {
        if (m_Face)
            FT_Done_Face(m_Face);
        if (m_Library)
            FT_Done_FreeType(m_Library);
    }

    bool open(const std::string& path, unsigned pixelSize) {
        if (FT_Init_FreeType(&m_Library) != 0) {
            m_Library = nullptr;
            return false;
        }
        if (FT_New_Face(m_Library, path.c_str(), 0, &m_Face) != 0) {
            m_Face = nullptr;
            return false;
        }
        return FT_Set_Pixel_Sizes(m_Face, 0, pixelSize) == 0;
    }

    // Leaves the character's 8-bit coverage bitmap in the face's glyph slot. An
    // outline taller than maxRows is refused unrendered: a broken font's glyph
    // can take seconds and megabytes to render.
    bool renderGlyph(int code, unsigned maxRows = UINT_MAX) {
        const FT_UInt index = FT_Get_Char_Index(m_Face, static_cast<FT_ULong>(code));
        if (FT_Load_Glyph(m_Face, index, FT_LOAD_DEFAULT) != 0)
            return false;
        const FT_GlyphSlot slot = m_Face->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_BBox box;
            FT_Outline_Get_CBox(&slot->outline, &box);
            if ((box.yMax - box.yMin) / 64 > FT_Pos(maxRows))
                return false;
        }
        return FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0;
    }

    FT_Face face() const { return m_Face; }

private:
    FT_Library m_Library = nullptr;
    FT_Face m_Face = nullptr;
};

uint32_t bigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// FreeType reads a TrueType or OpenType file's tables only as it needs them,
// so a file cut short can load and then draw with pieces missing. The table
// directory says where every table ends: each must end inside the file. Names
// the first table that does not; other kinds of font file are not checked.
void reportCutTables(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return;
    const uint64_t size = uint64_t(file.tellg());
    unsigned char header[12];
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return;
    const uint32_t version = bigEndian32(header);
    if (version != 0x00010000 && version != 0x4F54544F && version != 0x74727565)
        return;
    const unsigned tables = unsigned(header[4]) << 8 | header[5];
    for (unsigned i = 0; i < tables; ++i) {
        unsigned char record[16];
        if (!file.read(reinterpret_cast<char*>(record), sizeof record)) {
            reportMessage(MessageSeverity::DATA_ERROR,
                          "Error: Font file '%s' is cut short in its table directory.",
                          path.c_str());
            return;
        }
        const uint64_t end = uint64_t(bigEndian32(record + 8)) + bigEndian32(record + 12);
        if (end > size) {
            reportMessage(
                MessageSeverity::DATA_ERROR,
                "Error: Font file '%s' is cut short: its table '%.4s' ends at byte %llu "
                "of %llu.",
                path.c_str(), quoted(std::string(reinterpret_cast<char*>(record), 4)).c_str(),
                static_cast<unsigned long long>(end), static_cast<unsigned long long>(size));
            return;
        }
    }
}

// Coverage rows of the atlas, ATLAS_WIDTH bytes each; row 0 is v = 0.
struct AtlasBuffer {
    unsigned height = FIRST_ATLAS_HEIGHT;
    std::vector<unsigned char> pixels =
        std::vector<unsigned char>(size_t(Text::ATLAS_WIDTH) * FIRST_ATLAS_HEIGHT, 0);

    void growTo(unsigned rows) {
        while (height < rows)
            height *= 2;
        pixels.resize(size_t(Text::ATLAS_WIDTH) * height, 0);
    }
};

const unsigned char* bitmapRow(const FT_Bitmap& bitmap, unsigned row) {
    // A negative pitch stores the rows bottom-up from the start of the buffer.
    if (bitmap.pitch >= 0)
        return bitmap.buffer + size_t(row) * unsigned(bitmap.pitch);
    return bitmap.buffer + size_t(bitmap.rows - 1 - row) * unsigned(-bitmap.pitch);
}

// Copies at most width x rows coverage pixels with the top-left one at (x, y).
// Embedded one-bit bitmaps become full coverage; other pixel modes stay blank.
void copyBitmap(const FT_Bitmap& bitmap, unsigned width, unsigned rows, AtlasBuffer& atlas,
                unsigned x, unsigned y) {
    if (!bitmap.buffer)
        return;
    width = std::min(width, unsigned(bitmap.width));
    rows = std::min(rows, unsigned(bitmap.rows));
    for (unsigned row = 0; row < rows; ++row) {
        const unsigned char* source = bitmapRow(bitmap, row);
        unsigned char* target = &atlas.pixels[size_t(y + row) * Text::ATLAS_WIDTH + x];
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            std::copy(source, source + width, target);
        } else if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (unsigned column = 0; column < width; ++column)
                target[column] = (source[column / 8] & (0x80 >> (column % 8))) ? 255 : 0;
        }
    }
}

// Metrics of every printable character, in code order, in units of the pixel size.
bool measureGlyphs(FontFace& font, float inv, std::vector<Glyph>& glyphs, const std::string& path,
                   unsigned maxRows) {
    for (int code = FIRST_CODE; code <= LAST_CODE; ++code) {
        const bool rendered = font.renderGlyph(code, maxRows);
        const FT_GlyphSlot slot = font.face()->glyph;
        // A bitmap that cannot fit on a shelf would never be placed.
        if (!rendered || slot->bitmap.width > MAX_GLYPH_WIDTH || slot->bitmap.rows > maxRows) {
            KESTREL_ASSERT(false);
            reportMessage(MessageSeverity::DATA_ERROR,
                          "Error: Font file '%s' cannot draw the character '%c' at this size.",
                          path.c_str(), char(code));
            return false;
        }
        Glyph glyph;
        glyph.code = code;
        glyph.advance = float(slot->metrics.horiAdvance) * inv * FROM_26_6;
        glyph.bearingX = float(slot->metrics.horiBearingX) * inv * FROM_26_6;
        glyph.bearingY = float(slot->metrics.horiBearingY) * inv * FROM_26_6;
        glyph.bitmapWidth = static_cast<uint16_t>(slot->bitmap.width);
        glyph.bitmapRows = static_cast<uint16_t>(slot->bitmap.rows);
        glyph.width = float(glyph.bitmapWidth) * inv;
        glyph.height = float(glyph.bitmapRows) * inv;
        glyphs.push_back(glyph);
    }
    return true;
}

// Glyphs [first, end) of the height-sorted list that fit on one shelf, the
// widest span that stays inside the atlas with the left margin and the gaps.
size_t shelfEnd(const std::vector<Glyph*>& sorted, size_t first, unsigned& lineWidth) {
    lineWidth = sorted[first]->bitmapWidth;
    size_t end = first + 1;
    while (end < sorted.size() &&
           SHELF_LEFT + lineWidth + GLYPH_GAP + sorted[end]->bitmapWidth <= Text::ATLAS_WIDTH) {
        lineWidth += GLYPH_GAP + sorted[end]->bitmapWidth;
        ++end;
    }
    return end;
}

// Packs the glyphs on shelves, lowest first, rendering each again into place;
// texture coordinates are left in pixels. False, before the atlas grows past
// them, when the shelves need more than maxRows rows.
bool packGlyphs(FontFace& font, std::vector<Glyph>& glyphs, AtlasBuffer& atlas, unsigned maxRows) {
    std::vector<Glyph*> sorted;
    for (Glyph& glyph : glyphs)
        sorted.push_back(&glyph);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Glyph* a, const Glyph* b) { return a->bitmapRows < b->bitmapRows; });

    unsigned y = 0;
    size_t i = 0;
    while (i < sorted.size()) {
        unsigned lineWidth = 0;
        const size_t end = shelfEnd(sorted, i, lineWidth);
        KESTREL_ASSERT(lineWidth > 0);
        const unsigned nextY = y + sorted[end - 1]->bitmapRows + GLYPH_GAP;
        if (nextY > maxRows)
            return false;
        atlas.growTo(nextY);

        unsigned x = SHELF_LEFT;
        for (size_t k = i; k < end; ++k) {
            Glyph& glyph = *sorted[k];
            // The same calls succeeded in the metrics pass.
            font.renderGlyph(glyph.code);
            copyBitmap(font.face()->glyph->bitmap, glyph.bitmapWidth, glyph.bitmapRows, atlas, x,
                       y);
            glyph.uLeft = float(x);
            glyph.vTop = float(y);
            glyph.uRight = float(x + glyph.bitmapWidth);
            glyph.vBottom = float(y + glyph.bitmapRows);
            x += glyph.bitmapWidth + GLYPH_GAP;
        }
        y = nextY;
        i = end;
    }
    return true;
}

// Names a font whose atlas the driver cannot store; always false.
bool refuseOversizeAtlas(const std::string& path, unsigned size, unsigned limit) {
    KESTREL_ASSERT(false);
    reportMessage(MessageSeverity::DATA_ERROR,
                  "Error: Font file '%s' at %u pixels needs a glyph atlas larger than the driver's "
                  "largest texture (GL_MAX_TEXTURE_SIZE %u).",
                  path.c_str(), size, limit);
    return false;
}

void toTextureCoordinates(std::vector<Glyph>& glyphs, unsigned atlasHeight) {
    const float inverseWidth = 0.0009765625f;
    const float inverseHeight = 1.0f / float(atlasHeight);
    for (Glyph& glyph : glyphs) {
        glyph.uLeft *= inverseWidth;
        glyph.uRight *= inverseWidth;
        glyph.vTop *= inverseHeight;
        glyph.vBottom *= inverseHeight;
    }
}

} // namespace

Text::Text(RenderDevice* device)
    : m_RenderDevice(device), m_FaceList(nullptr), m_VertexList(nullptr) {
    if (!device)
        return;
    m_VertexList = device->createVertexList(USAGE_DYNAMIC);
    m_FaceList = device->createFaceList(m_VertexList, USAGE_DYNAMIC);
}

Text::~Text() {
    delete m_Texture;
    delete m_FaceList;
    delete m_VertexList;
}

bool Text::load(const std::string& path, unsigned size) {
    // A second load starts over instead of appending to (and leaking) the first.
    delete m_Texture;
    m_Texture = nullptr;
    m_Glyphs.clear();
    m_LineHeight = 0.0f;
    m_AtlasHeight = 0;

    if (path.empty() || size == 0 || size > MAX_PIXEL_SIZE) {
        KESTREL_ASSERT(false);
        return false;
    }
    reportCutTables(path);
    FontFace font;
    if (!font.open(path, size)) {
        KESTREL_ASSERT(false);
        reportMessage(MessageSeverity::DATA_ERROR,
                      "Error: Font file '%s' could not be opened as a font of %u pixels.",
                      path.c_str(), size);
        return false;
    }
    const float inv = 1.0f / float(size);
    m_LineHeight = float(font.face()->size->metrics.height) * inv * FROM_26_6;
    // The driver would store a larger atlas scaled down, and every glyph would
    // be drawn blurred and out of place.
    const unsigned limit = m_RenderDevice ? m_RenderDevice->getMaxTextureSize() : 0;
    if (!measureGlyphs(font, inv, m_Glyphs, path, std::min(limit, MAX_GLYPH_ROWS)))
        return false;
    AtlasBuffer atlas;
    if (limit < ATLAS_WIDTH || !packGlyphs(font, m_Glyphs, atlas, limit) || atlas.height > limit)
        return refuseOversizeAtlas(path, size, limit);
    toTextureCoordinates(m_Glyphs, atlas.height);
    const unsigned totalBufferHeight = atlas.height;
    KESTREL_ASSERT(totalBufferHeight % 2 == 0);
    return createAtlas(atlas.pixels.data(), atlas.height);
}

bool Text::createAtlas(const unsigned char* pixels, unsigned height) {
    Texture* texture = m_RenderDevice ? m_RenderDevice->createTexture() : nullptr;
    if (!texture || !texture->create(FORMAT_ALPHA, ATLAS_WIDTH, height, pixels)) {
        KESTREL_ASSERT(false);
        reportMessage(MessageSeverity::DATA_ERROR,
                      "Error: the glyph atlas of %u rows could not be created.", height);
        // A half-made atlas is not kept, so draw reports the missing texture.
        delete texture;
        return false;
    }
    m_Texture = texture;
    m_AtlasHeight = height;
    return true;
}

void Text::draw(const char* text) {
    if (!m_Texture) {
        KESTREL_ASSERT_TEXT(m_Texture != nullptr, "m_Texture != null");
        return;
    }
    m_FaceList->clear();
    m_VertexList->clear();
    layOut(text, [this](const Glyph& glyph, float px, float py) { addGlyphQuad(glyph, px, py); });
    m_RenderDevice->setShader(nullptr);
    m_RenderDevice->setTexture(m_Texture, 0);
    m_RenderDevice->drawFaceList(m_FaceList);
}

float Text::measure(const char* text) const {
    float widest = 0.0f;
    layOut(text, [&widest](const Glyph& glyph, float px, float) {
        widest = std::max(widest, px + glyph.advance);
    });
    return widest;
}

// The pen starts at the origin, moves right by each glyph's advance and back to
// x = 0 one line lower at a line end; characters without a glyph do not move it.
template <class Place>
void Text::layOut(const char* text, Place place) const {
    float px = 0.0f;
    float py = 0.0f;
    for (const char* c = text ? text : ""; *c != '\0'; ++c) {
        const unsigned code = static_cast<unsigned char>(*c);
        if (code == '\n') {
            px = 0.0f;
            py -= m_LineHeight;
        } else if (code >= unsigned(FIRST_CODE) && code - FIRST_CODE < m_Glyphs.size()) {
            const Glyph& glyph = m_Glyphs[code - FIRST_CODE];
            place(glyph, px, py);
            px += glyph.advance;
        }
    }
}

void Text::addGlyphQuad(const Glyph& glyph, float px, float py) {
    const unsigned n = m_VertexList->getVertexCount();
    // Characters beyond what 16-bit indices reach are left out.
    if (n + 4 > MAX_VERTICES)
        return;
    m_FaceList->addQuad(static_cast<uint16_t>(n), static_cast<uint16_t>(n + 1),
                        static_cast<uint16_t>(n + 2), static_cast<uint16_t>(n + 3));
    const float left = px + glyph.bearingX;
    const float top = py + glyph.bearingY;
    const float right = left + glyph.width;
    const float bottom = top - glyph.height;
    m_VertexList->addVertex({left, top, 0.0f}, NO_NORMAL, {glyph.uLeft, glyph.vTop});
    m_VertexList->addVertex({right, top, 0.0f}, NO_NORMAL, {glyph.uRight, glyph.vTop});
    m_VertexList->addVertex({left, bottom, 0.0f}, NO_NORMAL, {glyph.uLeft, glyph.vBottom});
    m_VertexList->addVertex({right, bottom, 0.0f}, NO_NORMAL, {glyph.uRight, glyph.vBottom});
}

} // namespace Kestrel
