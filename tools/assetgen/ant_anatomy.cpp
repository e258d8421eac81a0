#include "tools/assetgen/ant_anatomy.h"

namespace assetgen {

namespace {

// Front, middle and hind, in the order of LegPair.
const LegJoints LEGS[] = {{{0.06, 0.27, -0.31},
                           {0.12, 0.19, -0.37},
                           {0.27, 0.33, -0.50},
                           {0.40, 0.10, -0.63},
                           {0.45, 0.0, -0.75}},
                          {{0.08, 0.25, -0.19},
                           {0.15, 0.18, -0.18},
                           {0.35, 0.34, -0.15},
                           {0.53, 0.10, -0.11},
                           {0.61, 0.0, -0.08}},
                          {{0.07, 0.25, -0.08},
                           {0.14, 0.18, -0.03},
                           {0.31, 0.34, 0.13},
                           {0.47, 0.10, 0.36},
                           {0.53, 0.0, 0.50}}};
const char* const PAIR_NAMES[] = {"Front", "Middle", "Hind"};

// Texture regions in the order of AntPart.
const UvRect REGIONS[] = {{0.0, 0.0, 0.5, 0.5},    {0.5, 0.0, 1.0, 0.25},   {0.5, 0.25, 1.0, 0.5},
                          {0.0, 0.5, 0.5, 0.75},   {0.0, 0.75, 0.5, 0.875}, {0.5, 0.5, 0.75, 0.625},
                          {0.75, 0.5, 1.0, 0.625}, {0.5, 0.75, 0.75, 1.0}};

void addLeg(Skeleton& s, LegPair pair, char side) {
    const LegJoints& j = legJoints(pair);
    const char* segments[] = {"Hip", "Coxa", "Femur", "Tibia", "Tarsus"};
    const Vec3 ends[] = {j.attach, j.coxa, j.knee, j.ankle, j.foot};
    std::string parent = "Thorax";
    for (int i = 0; i < 5; ++i) {
        const std::string name = legBone(pair, segments[i], side);
        s.addBone(name, parent, onSide(ends[i], side));
        parent = name;
    }
}

void addFeelers(Skeleton& s, char side) {
    s.addBone(sideBone("Antenna", side), "Head", onSide(ant::SCAPE_END, side));
    s.addBone(sideBone("Flagellum", side), sideBone("Antenna", side),
              onSide(ant::ANTENNA_TIP, side));
    s.addBone(sideBone("Mandible", side), "Head", onSide(ant::MANDIBLE_TIP, side));
}

UvRect inset(const UvRect& r) {
    const double margin = 3.0 / 256.0;
    return {r.u0 + margin, r.v0 + margin, r.u1 - margin, r.v1 - margin};
}

} // namespace

const LegJoints& legJoints(LegPair pair) {
    return LEGS[int(pair)];
}

std::string sideBone(const std::string& name, char side) {
    return name + "." + side;
}

std::string legBone(LegPair pair, const std::string& segment, char side) {
    return sideBone(PAIR_NAMES[int(pair)] + segment, side);
}

Vec3 onSide(const Vec3& rightPoint, char side) {
    return side == 'R' ? rightPoint : Vec3(-rightPoint.x, rightPoint.y, rightPoint.z);
}

Skeleton antSkeleton() {
    Skeleton s;
    s.addRoot("Root", Vec3(0, 0, 0), ant::WAIST);
    s.addBone("Thorax", "Root", ant::NECK);
    s.addBone("Head", "Thorax", ant::HEAD_FRONT);
    for (char side : {'R', 'L'})
        addFeelers(s, side);
    for (char side : {'R', 'L'})
        for (LegPair pair : {LegPair::Front, LegPair::Middle, LegPair::Hind})
            addLeg(s, pair, side);
    const LegJoints& front = legJoints(LegPair::Front);
    const Vec3 reach = (front.foot - front.ankle).normalized() * 0.05;
    s.addBone("RockHand", legBone(LegPair::Front, "Tarsus", 'R'), front.foot + reach);
    s.addBone("Petiole", "Root", ant::PETIOLE_END);
    s.addBone("Gaster", "Petiole", ant::GASTER_END);
    return s;
}

UvRect antRegion(AntPart part) {
    return REGIONS[int(part)];
}

UvRect antUv(AntPart part) {
    return inset(antRegion(part));
}

} // namespace assetgen
