#include "tools/assetgen/ants.h"

#include "tools/assetgen/ant_anatomy.h"
#include "tools/assetgen/noise.h"

#include <cmath>

namespace assetgen {

namespace {

const Vec3 UP{0, 1, 0};
const Vec3 HEAD_CENTRE{0.0, 0.385, -0.56};
const Vec3 GASTER_CENTRE{0.0, 0.37, 0.46};

Influences only(const std::string& bone) {
    return {{bone, 1.0}};
}

// Pushes vertices outwards from a centre by a noise-driven amount.
void roughen(MeshBuilder& mesh, const VertexRange& range, const Vec3& centre, double amount,
             std::uint32_t seed) {
    if (amount <= 0.0)
        return;
    deform(mesh, range, [&](Vec3 p) {
        const Vec3 q = p * 9.0;
        const double n = fractalNoise3(q.x, q.y, q.z, 2, seed) - 0.45;
        return p + (p - centre).normalized() * (n * amount);
    });
}

void addHead(MeshBuilder& mesh, const AntStyle& style) {
    const Ellipsoid head{HEAD_CENTRE, Vec3(0.145, 0.12, 0.165) * style.headScale,
                         Mat3::rotationX(radians(-12.0)), 8, 4};
    const VertexRange range = addEllipsoid(mesh, head, antUv(AntPart::Head), only("Head"));
    const Vec3 c = head.centre, r = head.radii;
    // Heart shape: wider behind the eyes, a notch at the back, a flatter top.
    deform(mesh, range, [&](Vec3 p) {
        const double back = (p.z - c.z) / r.z;
        p.x = c.x + (p.x - c.x) * (1.0 + 0.16 * back);
        if (back > 0.55)
            p.z -= 0.045 * (back - 0.55) * std::max(0.0, 1.0 - std::abs(p.x - c.x) / r.x * 1.6);
        if (p.y > c.y)
            p.y = c.y + (p.y - c.y) * 0.88;
        return p;
    });
    roughen(mesh, range, c, style.lumpiness * 0.5, style.seed + 1);
}

void addEye(MeshBuilder& mesh, const AntStyle& style, char side) {
    const Vec3 offset = Vec3(0.128, 0.03, -0.035) * style.headScale;
    const Ellipsoid eye{onSide(HEAD_CENTRE + offset, side),
                        Vec3(0.034, 0.044, 0.056) * style.headScale,
                        Mat3::rotationY(radians(side == 'R' ? 18.0 : -18.0)), 5, 2};
    addEllipsoid(mesh, eye, antUv(AntPart::Eye), only("Head"));
}

void addMandible(MeshBuilder& mesh, const AntStyle& style, char side) {
    const double k = style.mandibleScale;
    const Vec3 base = onSide(Vec3(0.075, 0.315, -0.68), side);
    const Vec3 tip = onSide(ant::MANDIBLE_TIP, side);
    const Vec3 reach = (tip - base) * k;
    const Vec3 bend = onSide(Vec3(0.035, 0.0, 0.0), side);
    const std::vector<PathPoint> path = {
        {base, 0.030 * k, 0.015},
        {base + reach * 0.55 + bend, 0.024 * k, 0.012},
        {base + reach * 0.9 + bend * 0.4, 0.012 * k, 0.008},
    };
    const Influences w = only(sideBone("Mandible", side));
    const std::vector<Ring> rings = ringsAlongPath(path, UP, w);
    addLoft(mesh, rings, 3, antUv(AntPart::Mandible), Cap{true, base, w},
            Cap{true, base + reach, w});
}

std::vector<PathPoint> flagellumPath(const AntStyle& style, char side) {
    const Vec3 elbow = onSide(ant::SCAPE_END, side);
    const Vec3 tip = onSide(ant::ANTENNA_TIP, side);
    if (style.brokenAntenna && side == 'L') {
        const Vec3 stump = lerp(elbow, tip, 0.5) + Vec3(0, -0.07, 0.02);
        return {
            {elbow, 0.016, 0.016}, {lerp(elbow, stump, 0.5), 0.014, 0.014}, {stump, 0.017, 0.017}};
    }
    return {{elbow, 0.015, 0.015},
            {lerp(elbow, tip, 0.45), 0.012, 0.012},
            {lerp(elbow, tip, 0.78), 0.021, 0.021},
            {lerp(elbow, tip, 0.93), 0.024, 0.024}};
}

void addAntenna(MeshBuilder& mesh, const AntStyle& style, char side) {
    const Vec3 socket = onSide(Vec3(0.055, 0.44, -0.67), side);
    const Vec3 elbow = onSide(ant::SCAPE_END, side);
    const UvRect uv = antUv(AntPart::Antenna);
    const Influences scapeWeights = only(sideBone("Antenna", side));
    const std::vector<PathPoint> scape = {
        {socket, 0.017, 0.017}, {lerp(socket, elbow, 0.6), 0.018, 0.018}, {elbow, 0.021, 0.021}};
    addLoft(mesh, ringsAlongPath(scape, UP, scapeWeights), 3, uv, Cap{},
            Cap{true, elbow, scapeWeights});
    const Influences w = only(sideBone("Flagellum", side));
    const std::vector<PathPoint> path = flagellumPath(style, side);
    const Vec3 last = path.back().centre, before = path[path.size() - 2].centre;
    const Vec3 end = last + (last - before).normalized() * 0.03;
    addLoft(mesh, ringsAlongPath(path, UP, w), 3, uv, Cap{true, path.front().centre, w},
            Cap{true, end, w});
}

// Lofted through sections (z, y, rx, ry) along the body and closed at both ends.
void addThorax(MeshBuilder& mesh, const AntStyle& style) {
    const double stations[][4] = {{-0.41, 0.368, 0.050, 0.045}, {-0.36, 0.372, 0.095, 0.085},
                                  {-0.29, 0.383, 0.115, 0.105}, {-0.21, 0.372, 0.100, 0.090},
                                  {-0.13, 0.345, 0.078, 0.070}, {-0.05, 0.345, 0.085, 0.080},
                                  {0.01, 0.330, 0.060, 0.060}};
    std::vector<PathPoint> path;
    for (const auto& s : stations)
        path.push_back({Vec3(0, s[1], s[0]), s[2], s[3]});
    const Influences w = only("Thorax");
    const Cap start{true, Vec3(0, path.front().centre.y, -0.435), w};
    const Cap end{true, Vec3(0, path.back().centre.y, 0.04), w};
    const VertexRange range =
        addLoft(mesh, ringsAlongPath(path, UP, w), 6, antUv(AntPart::Thorax), start, end);
    roughen(mesh, range, Vec3(0, 0.35, -0.2), style.lumpiness * 0.6, style.seed + 2);
}

void addPetiole(MeshBuilder& mesh) {
    const std::vector<PathPoint> path = {{Vec3(0, 0.320, 0.015), 0.035, 0.035},
                                         {Vec3(0, 0.365, 0.060), 0.046, 0.072},
                                         {Vec3(0, 0.372, 0.100), 0.044, 0.060},
                                         {Vec3(0, 0.355, 0.145), 0.040, 0.040}};
    const Influences w = only("Petiole");
    addLoft(mesh, ringsAlongPath(path, UP, w), 6, antUv(AntPart::Petiole), Cap{}, Cap{});
}

void addGaster(MeshBuilder& mesh, const AntStyle& style) {
    const Ellipsoid gaster{GASTER_CENTRE + Vec3(0, 0, (style.gasterScale - 1.0) * 0.3),
                           Vec3(0.21, 0.19, 0.34) * style.gasterScale,
                           Mat3::rotationX(radians(8.0)), 10, 4};
    const VertexRange range = addEllipsoid(mesh, gaster, antUv(AntPart::Gaster), only("Gaster"));
    // Egg shape: fuller towards the back.
    const Vec3 c = gaster.centre;
    deform(mesh, range, [&](Vec3 p) {
        const double along = (p.z - c.z) / gaster.radii.z;
        const double swell = 1.0 + 0.08 * along;
        return Vec3(c.x + (p.x - c.x) * swell, c.y + (p.y - c.y) * swell, p.z);
    });
    roughen(mesh, range, c, style.lumpiness, style.seed + 3);
}

struct SegmentShape {
    double start, middle, end; // radii at the joint, the thickest point (0: none) and the far joint
    int sides;
    bool tip; // closed with a point beyond the far joint
};

void addSegment(MeshBuilder& mesh, const Vec3& a, const Vec3& b, const SegmentShape& shape,
                const std::string& bone) {
    const Vec3 dir = (b - a).normalized();
    const double overlap = shape.start * 0.8;
    std::vector<PathPoint> path = {{a - dir * overlap, shape.start, shape.start}};
    if (shape.middle > 0.0)
        path.push_back({lerp(a, b, 0.35), shape.middle, shape.middle});
    path.push_back({b, shape.end, shape.end});
    const Influences w = only(bone);
    const Cap end{true, shape.tip ? b + dir * (shape.end * 1.5) : b, w};
    addLoft(mesh, ringsAlongPath(path, UP, w), shape.sides, antUv(AntPart::Leg), Cap{}, end);
}

void addLeg(MeshBuilder& mesh, LegPair pair, char side) {
    const LegJoints& j = legJoints(pair);
    const double thick = pair == LegPair::Front ? 1.3 : 1.12;
    const Vec3 ends[] = {lerp(j.attach, j.coxa, -0.4), j.coxa, j.knee, j.ankle, j.foot};
    const SegmentShape shapes[] = {{0.036, 0.0, 0.027, 3, false},
                                   {0.017, 0.028 * thick, 0.018, 3, false},
                                   {0.015, 0.021 * thick, 0.013, 3, false},
                                   {0.012, 0.0, 0.008, 3, true}};
    const char* const bones[] = {"Coxa", "Femur", "Tibia", "Tarsus"};
    for (int i = 0; i < 4; ++i)
        addSegment(mesh, onSide(ends[i], side), onSide(ends[i + 1], side), shapes[i],
                   legBone(pair, bones[i], side));
}

} // namespace

// Sides and rings are as few as keep the silhouette: in play an ant spans some
// thirty pixels, and a software rasterizer pays for every small triangle.
MeshBuilder buildAntMesh(const AntStyle& style) {
    MeshBuilder mesh;
    mesh.addMaterial({"chitin", style.texture, style.vertexShader, "chitin.frag", true});
    antSkeleton().writeTo(mesh);
    addHead(mesh, style);
    for (char side : {'R', 'L'}) {
        addEye(mesh, style, side);
        addMandible(mesh, style, side);
        addAntenna(mesh, style, side);
    }
    addThorax(mesh, style);
    addPetiole(mesh);
    addGaster(mesh, style);
    for (char side : {'R', 'L'})
        for (LegPair pair : {LegPair::Front, LegPair::Middle, LegPair::Hind})
            addLeg(mesh, pair, side);
    return mesh;
}

} // namespace assetgen
