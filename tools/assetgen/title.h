// The 3D title: the game's name in the game's font, extruded into solid
// letters (front cap, back cap, side walls) in mesh coordinates centred on the
// origin. The front faces -z, towards the title camera, and the letters read
// left to right from there, where world +x appears on the left.
// Its texture maps the text's bounding box (font units) straight onto the
// front region, where the letters are painted as polished gold with a bevel lit
// from the upper right (where the game's light comes from as the title camera
// sees it) and a dark rim; the side walls use a plain bronze region.
#pragma once

#include "tools/assetgen/glyph_outlines.h"
#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/primitives.h"

#include <string>

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

struct TitleAssets {
    MeshBuilder mesh;
    Image texture;
};

// Throws std::runtime_error when the font cannot be read or triangulated.
TitleAssets buildTitle(const std::string& fontPath, const std::string& text = "Formik");

} // namespace assetgen
