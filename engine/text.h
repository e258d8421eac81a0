// Text drawn from a font rasterised once into an alpha-only atlas of the
// printable ASCII characters. Metrics are in units of the pixel size, so text
// drawn under a model-view scale s is about s high; y grows upwards. Owns its
// atlas texture and its two dynamic lists.
#pragma once

#include "engine/resource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Kestrel {

class FaceList;
class RenderDevice;
class Texture;
class VertexList;

struct Glyph {
    int32_t code = 0;
    float uLeft = 0.0f, vTop = 0.0f;
    float uRight = 0.0f, vBottom = 0.0f;
    float width = 0.0f, height = 0.0f;
    float advance = 0.0f;
    float bearingX = 0.0f, bearingY = 0.0f;
    uint16_t bitmapWidth = 0, bitmapRows = 0;
};

class Text : public Resource {
public:
    static constexpr unsigned ATLAS_WIDTH = 1024;

    explicit Text(RenderDevice* device);
    ~Text() override;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    Type getResourceType() const override { return TEXT; }

    bool load(const std::string& path, unsigned size);
    // Draws at once with the current matrices, depth test and blend mode.
    void draw(const char* text);
    // The widest line of text in glyph units, as draw lays it out.
    float measure(const char* text) const;

    const std::vector<Glyph>& getGlyphs() const { return m_Glyphs; }
    float getLineHeight() const { return m_LineHeight; }
    Texture* getTexture() const { return m_Texture; }
    unsigned getAtlasHeight() const { return m_AtlasHeight; }
    VertexList* getVertexList() const { return m_VertexList; }
    FaceList* getFaceList() const { return m_FaceList; }

private:
    // Calls place (glyph, pen x, pen y) for each character drawn.
    template <class Place>
    void layOut(const char* text, Place place) const;
    bool createAtlas(const unsigned char* pixels, unsigned height);
    void addGlyphQuad(const Glyph& glyph, float px, float py);

    RenderDevice* m_RenderDevice;
    FaceList* m_FaceList;
    VertexList* m_VertexList;
    Texture* m_Texture = nullptr;
    std::vector<Glyph> m_Glyphs;
    float m_LineHeight = 0.0f;
    unsigned m_AtlasHeight = 0;
};

} // namespace Kestrel
