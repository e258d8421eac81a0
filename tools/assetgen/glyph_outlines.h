// Reads a text's glyph outlines from a TrueType font with FreeType, flattens
// their curves into closed polygons and triangulates the filled area with
// GLU's tessellator (non-zero winding, so holes and overlapping strokes come
// out right). Coordinates are font units, x to the right, y up.
#pragma once

#include "tools/assetgen/geometry.h"

#include <array>
#include <string>
#include <vector>

namespace assetgen {

struct Outline {
    std::vector<std::vector<Vec2>> contours; // closed; the last point joins the first
    bool fillOnRight = true;                 // filled area lies right of each contour's direction
};

// Throws std::runtime_error when the font cannot be read.
Outline textOutline(const std::string& fontPath, const std::string& text);

struct Triangulation {
    std::vector<Vec2> points; // the contours' points, then points the tessellator added
    std::vector<std::array<int, 3>> triangles;
};

Triangulation triangulate(const Outline& outline);

} // namespace assetgen
