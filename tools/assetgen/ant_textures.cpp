#include "tools/assetgen/ants.h"

#include "tools/assetgen/ant_anatomy.h"
#include "tools/assetgen/noise.h"

#include <cmath>

namespace assetgen {

namespace {

AntPart partAt(double u, double v) {
    for (AntPart part : {AntPart::Gaster, AntPart::Thorax, AntPart::Head, AntPart::Leg,
                         AntPart::Antenna, AntPart::Mandible, AntPart::Petiole}) {
        const UvRect r = antRegion(part);
        if (u >= r.u0 && u < r.u1 && v >= r.v0 && v < r.v1)
            return part;
    }
    return AntPart::Eye;
}

// Fine surface grain: brightness varies by a few percent.
Color grained(const Color& c, double u, double v, std::uint32_t seed) {
    const double n = fractalNoise(u * 96.0, v * 96.0, 3, seed);
    return c * (0.88 + 0.24 * n);
}

// The gaster's plates along t: distance to the nearest seam and the position
// within the plate.
Color paintGaster(const AntPalette& p, double t) {
    static const double seams[] = {0.0, 0.2, 0.40, 0.58, 0.74, 0.87, 1.0};
    double toSeam = 1.0, within = 0.0;
    for (int i = 0; i + 1 < 7; ++i) {
        if (t >= seams[i] && t < seams[i + 1]) {
            within = (t - seams[i]) / (seams[i + 1] - seams[i]);
            toSeam = std::min(t - seams[i], seams[i + 1] - t);
        }
    }
    Color c = mix(p.gaster * 0.8, p.gaster, within);
    c = mix(c, p.highlight, smoothstep(0.78, 1.0, within) * 0.45);
    const double seam = 1.0 - smoothstep(0.0, 0.012, toSeam);
    c = mix(c, p.seam, seam * 0.9);
    c.a = p.glow ? seam * 0.95 + smoothstep(0.85, 1.0, within) * 0.35 : 1.0;
    if (p.glow)
        c = mix(c, p.highlight, seam);
    return c;
}

Color paintThorax(const AntPalette& p, double s, double t) {
    Color c = p.thorax;
    const double suture = 1.0 - smoothstep(0.0, 0.02, std::abs(t - 0.47));
    c = mix(c, p.seam, suture * 0.8);
    const double dorsal = std::exp(-std::pow((s - 0.25) / 0.06, 2.0));
    c = mix(c, p.highlight, dorsal * 0.18);
    c.a = p.glow ? suture * 0.8 : 1.0;
    return c;
}

Color paintHead(const AntPalette& p, double s, double t) {
    Color c = mix(p.head * 1.15, p.head, smoothstep(0.0, 0.3, t));
    const double ridge = std::exp(-std::pow((s - 0.25) / 0.03, 2.0)) * smoothstep(0.1, 0.4, t);
    c = mix(c, p.seam, ridge * 0.5);
    c.a = p.glow ? ridge * 0.6 : 1.0;
    return c;
}

// Legs and antennae: darker at both joints, a lighter middle, hair streaks.
Color paintLimb(const AntPalette& p, const Color& base, double s, double t) {
    const double joint = 1.0 - smoothstep(0.0, 0.16, std::min(t, 1.0 - t));
    Color c = mix(base, p.highlight, 0.22 * std::sin(t * PI));
    c = mix(c, p.seam, joint * 0.75);
    const double streak = valueNoise(s * 40.0, t * 6.0, p.seed + 5, 40);
    c = c * (0.9 + 0.2 * streak);
    c.a = p.glow ? joint * 0.9 : 1.0;
    return c;
}

Color paintMandible(const AntPalette& p, double s, double t) {
    Color c = mix(p.mandible, p.seam, smoothstep(0.55, 1.0, t));
    const double inner = std::exp(-std::pow((s - 0.5) / 0.08, 2.0));
    const double teeth = 0.5 + 0.5 * std::sin(t * 38.0);
    c = mix(c, p.seam, inner * teeth * 0.8);
    c.a = p.glow ? 0.0 : 1.0;
    return c;
}

Color paintEye(const AntPalette& p, double s, double t) {
    const double facet = cellDistance(s * 14.0, t * 9.0, p.seed + 7);
    return mix(p.eye * 1.25, p.eye * 0.6, smoothstep(0.15, 0.45, facet));
}

// Diseased skin: dark blotches and a few raw sores.
Color mottle(const AntPalette& p, const Color& c, double u, double v) {
    if (p.mottling <= 0.0)
        return c;
    const double blot = smoothstep(0.52, 0.68, fractalNoise(u * 10.0, v * 10.0, 4, p.seed + 9));
    Color out = mix(c, p.blotch, blot * 0.75 * p.mottling);
    const double sore = smoothstep(0.74, 0.8, fractalNoise(u * 22.0, v * 22.0, 3, p.seed + 13));
    out = mix(out, Color(0.36, 0.10, 0.12), sore * p.mottling);
    return out.withAlpha(c.a);
}

Color paintPart(const AntPalette& p, AntPart part, double s, double t) {
    switch (part) {
    case AntPart::Gaster:
        return paintGaster(p, t);
    case AntPart::Thorax:
    case AntPart::Petiole:
        return paintThorax(p, s, part == AntPart::Petiole ? 0.0 : t);
    case AntPart::Head:
        return paintHead(p, s, t);
    case AntPart::Leg:
        return paintLimb(p, p.leg, s, t);
    case AntPart::Antenna:
        return paintLimb(p, p.leg * 0.8, s, t);
    case AntPart::Mandible:
        return paintMandible(p, s, t);
    default:
        return paintEye(p, s, t);
    }
}

} // namespace

Image paintAntTexture(const AntPalette& palette) {
    return paint(256, 256, palette.glow, [&](double u, double v) {
        const AntPart part = partAt(u, v);
        const UvRect r = antRegion(part);
        const double s = (u - r.u0) / (r.u1 - r.u0), t = (v - r.v0) / (r.v1 - r.v0);
        Color c = paintPart(palette, part, s, t);
        if (part != AntPart::Eye)
            c = mottle(palette, grained(c, u, v, palette.seed).withAlpha(c.a), u, v);
        return c;
    });
}

} // namespace assetgen
