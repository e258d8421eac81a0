#include "tools/assetgen/glyph_outlines.h"

#include <GL/glu.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace assetgen {

namespace {

// Collects the flattened contours of one glyph, shifted by the pen position.
struct Flattener {
    std::vector<std::vector<Vec2>>* contours;
    Vec2 pen;
    Vec2 last;
    double step; // chord length a curve piece should not exceed

    Vec2 at(const FT_Vector* v) const {
        return {pen.x + static_cast<double>(v->x), pen.y + static_cast<double>(v->y)};
    }
    void add(const Vec2& p) {
        contours->back().push_back(p);
        last = p;
    }
    int pieces(double length) const {
        return std::clamp(static_cast<int>(std::ceil(length / step)), 1, 10);
    }
};

int lineTo(const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->add(f->at(to));
    return 0;
}

int moveTo(const FT_Vector* to, void* user) {
    static_cast<Flattener*>(user)->contours->emplace_back();
    return lineTo(to, user);
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    const Vec2 p0 = f->last, p1 = f->at(control), p2 = f->at(to);
    const int n = f->pieces((p1 - p0).length() + (p2 - p1).length());
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1.0 - t;
        f->add(p0 * (u * u) + p1 * (2.0 * u * t) + p2 * (t * t));
    }
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    const Vec2 p0 = f->last, p1 = f->at(c1), p2 = f->at(c2), p3 = f->at(to);
    const int n = f->pieces((p1 - p0).length() + (p2 - p1).length() + (p3 - p2).length());
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1.0 - t;
        f->add(p0 * (u * u * u) + p1 * (3.0 * u * u * t) + p2 * (3.0 * u * t * t) +
               p3 * (t * t * t));
    }
    return 0;
}

// Drops repeated points, including a closing point equal to the first.
void tidy(std::vector<Vec2>& contour) {
    std::vector<Vec2> kept;
    for (const Vec2& p : contour)
        if (kept.empty() || (p - kept.back()).length() > 1e-6)
            kept.push_back(p);
    while (kept.size() > 1 && (kept.back() - kept.front()).length() <= 1e-6)
        kept.pop_back();
    contour = kept;
}

struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FontFace() {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

void addGlyph(FontFace& font, FT_UInt glyph, Flattener& flattener, Outline& outline) {
    if (FT_Load_Glyph(font.face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP))
        throw std::runtime_error("cannot load a glyph of the font");
    FT_Outline& source = font.face->glyph->outline;
    outline.fillOnRight = FT_Outline_Get_Orientation(&source) == FT_ORIENTATION_TRUETYPE;
    const FT_Outline_Funcs funcs = {moveTo, lineTo, conicTo, cubicTo, 0, 0};
    FT_Outline_Decompose(&source, &funcs, &flattener);
}

} // namespace

Outline textOutline(const std::string& fontPath, const std::string& text) {
    FontFace font;
    if (FT_Init_FreeType(&font.library) ||
        FT_New_Face(font.library, fontPath.c_str(), 0, &font.face))
        throw std::runtime_error("cannot read the font '" + fontPath + "'");
    Outline outline;
    Flattener flattener{&outline.contours, Vec2(), Vec2(), font.face->units_per_EM * 0.03};
    FT_UInt previous = 0;
    for (char c : text) {
        const FT_UInt glyph = FT_Get_Char_Index(font.face, static_cast<unsigned char>(c));
        FT_Vector kerning{0, 0};
        if (previous && FT_HAS_KERNING(font.face))
            FT_Get_Kerning(font.face, previous, glyph, FT_KERNING_UNSCALED, &kerning);
        flattener.pen.x += static_cast<double>(kerning.x);
        addGlyph(font, glyph, flattener, outline);
        flattener.pen.x += static_cast<double>(font.face->glyph->advance.x);
        previous = glyph;
    }
    for (auto& contour : outline.contours)
        tidy(contour);
    outline.contours.erase(std::remove_if(outline.contours.begin(), outline.contours.end(),
                                          [](const auto& c) { return c.size() < 3; }),
                           outline.contours.end());
    return outline;
}

namespace {

struct TessState {
    Triangulation* result;
    std::vector<int> pending;
    GLenum error = 0;
};

void GLAPIENTRY onVertex(void* data, void* user) {
    auto* s = static_cast<TessState*>(user);
    s->pending.push_back(static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
    if (s->pending.size() == 3) {
        s->result->triangles.push_back({s->pending[0], s->pending[1], s->pending[2]});
        s->pending.clear();
    }
}

void GLAPIENTRY onCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* user) {
    auto* s = static_cast<TessState*>(user);
    s->result->points.emplace_back(coords[0], coords[1]);
    *out = reinterpret_cast<void*>(static_cast<std::intptr_t>(s->result->points.size() - 1));
}

// Registering an edge-flag callback makes the tessellator emit plain triangles.
void GLAPIENTRY onEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY onError(GLenum error, void* user) {
    static_cast<TessState*>(user)->error = error;
}

template <typename F>
void setCallback(GLUtesselator* tess, GLenum which, F f) {
    gluTessCallback(tess, which, reinterpret_cast<_GLUfuncptr>(f));
}

} // namespace

Triangulation triangulate(const Outline& outline) {
    Triangulation result;
    std::vector<std::array<GLdouble, 3>> coords;
    for (const auto& contour : outline.contours)
        for (const Vec2& p : contour) {
            result.points.push_back(p);
            coords.push_back({p.x, p.y, 0.0});
        }
    TessState state{&result, {}, 0};
    GLUtesselator* tess = gluNewTess();
    setCallback(tess, GLU_TESS_VERTEX_DATA, onVertex);
    setCallback(tess, GLU_TESS_COMBINE_DATA, onCombine);
    setCallback(tess, GLU_TESS_EDGE_FLAG_DATA, onEdgeFlag);
    setCallback(tess, GLU_TESS_ERROR_DATA, onError);
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    gluTessBeginPolygon(tess, &state);
    std::size_t index = 0;
    for (const auto& contour : outline.contours) {
        gluTessBeginContour(tess);
        for (std::size_t i = 0; i < contour.size(); ++i, ++index)
            gluTessVertex(tess, coords[index].data(),
                          reinterpret_cast<void*>(static_cast<std::intptr_t>(index)));
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (state.error != 0)
        throw std::runtime_error("the title outline could not be triangulated");
    return result;
}

} // namespace assetgen
