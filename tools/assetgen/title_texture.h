// The title's texture: the front caps map the text's bounding box (font
// units) straight onto the front region, where the letters are painted as
// polished gold with a bevel lit from the upper right (where the game's light
// comes from as the title camera sees it) and a dark rim; the side walls use a
// plain bronze region.
#pragma once

#include "tools/assetgen/glyph_outlines.h"
#include "tools/assetgen/image.h"
#include "tools/assetgen/primitives.h"

namespace assetgen {

struct FontBox {
    Vec2 low;
    Vec2 high;
    // Where a font point lies on the front region of the texture.
    Vec2 frontUv(const Vec2& p) const;
};

FontBox boundsOf(const Outline& outline);

extern const UvRect TITLE_FRONT_UV;
extern const UvRect TITLE_SIDE_UV;

Image paintTitleTexture(const Outline& outline, const Triangulation& caps, const FontBox& box);

} // namespace assetgen
