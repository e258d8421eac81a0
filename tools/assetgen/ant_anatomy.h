// The one ant body plan shared by the soldier, fire and zombie ant meshes and
// by their animations: joint positions in mesh coordinates (y up, front -z,
// the ant's right side +x, feet on y = 0 with the root bone's head at the
// origin), the bone names and the texture atlas layout.
#pragma once

#include "tools/assetgen/primitives.h"
#include "tools/assetgen/skeleton.h"

#include <string>

namespace assetgen {

enum class LegPair { Front, Middle, Hind };

// Joints of one right-side leg; the left leg is its mirror image.
struct LegJoints {
    Vec3 attach; // where the hip bone ends on the thorax
    Vec3 coxa;   // end of the coxa
    Vec3 knee;   // end of the femur
    Vec3 ankle;  // end of the tibia
    Vec3 foot;   // end of the tarsus, on the ground
};

const LegJoints& legJoints(LegPair pair);

// The bone of one side: "<name>.R" or "<name>.L".
std::string sideBone(const std::string& name, char side);

// "Front", "Middle" or "Hind" followed by the segment ("Hip", "Coxa", "Femur",
// "Tibia", "Tarsus") and the side suffix ".R" or ".L".
std::string legBone(LegPair pair, const std::string& segment, char side);

// Mirrors a right-side point to the left side (side 'L') or keeps it ('R').
Vec3 onSide(const Vec3& rightPoint, char side);

namespace ant {
// Body landmarks.
inline const Vec3 WAIST{0.0, 0.30, 0.02};       // root tail: rear of the thorax
inline const Vec3 NECK{0.0, 0.37, -0.40};       // thorax tail, head bone's head
inline const Vec3 HEAD_FRONT{0.0, 0.37, -0.72}; // head tail: antennae and mandibles pivot here
inline const Vec3 PETIOLE_END{0.0, 0.36, 0.14};
inline const Vec3 GASTER_END{0.0, 0.36, 0.80};
inline const Vec3 SCAPE_END{0.13, 0.55, -0.78}; // right antenna elbow
inline const Vec3 ANTENNA_TIP{0.30, 0.44, -1.03};
inline const Vec3 MANDIBLE_TIP{0.03, 0.30, -0.87};
} // namespace ant

Skeleton antSkeleton();

enum class AntPart { Gaster, Thorax, Head, Leg, Antenna, Mandible, Petiole, Eye };

// The part's texture region, inset so that filtering never reaches a neighbour.
UvRect antUv(AntPart part);
// The full region a painter fills for the part.
UvRect antRegion(AntPart part);

} // namespace assetgen
