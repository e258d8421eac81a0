// Composes skeleton poses from readable steps: turn a bone about its head,
// turn a left/right pair symmetrically, or aim a chain of bones along a
// direction. Rotations are in rest-pose mesh axes (y up, front -z, right +x)
// and act after the bone's parent has moved; angles are in degrees.
#pragma once

#include "tools/assetgen/skeleton.h"

#include <string>
#include <vector>

namespace assetgen {

// Raises the front of whatever points forward.
inline Mat3 pitch(double degrees) {
    return Mat3::rotationX(radians(degrees));
}
// Turns the front towards the ant's left (and a right-side limb forwards).
inline Mat3 yaw(double degrees) {
    return Mat3::rotationY(radians(degrees));
}
// Lifts the ant's right side (and a right-side limb).
inline Mat3 roll(double degrees) {
    return Mat3::rotationZ(radians(degrees));
}

class PoseBuilder {
public:
    explicit PoseBuilder(const Skeleton& skeleton) : m_Skeleton(&skeleton) {}

    PoseBuilder& turn(const std::string& bone, const Mat3& rotation);
    // Turns "<name>.R" by the rotation and "<name>.L" by its mirror image.
    PoseBuilder& turnBoth(const std::string& name, const Mat3& rightRotation);
    // Turns each bone of the chain, in order, so that it points along the
    // direction; share < 1 turns only that part of the way.
    PoseBuilder& aim(const std::vector<std::string>& chain, const Vec3& direction,
                     double share = 1.0);

    const Pose& pose() const { return m_Pose; }

private:
    const Skeleton* m_Skeleton;
    Pose m_Pose;
};

} // namespace assetgen
