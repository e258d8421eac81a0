#include "tools/assetgen/pose_builder.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

Mat3 partialRotationBetween(const Vec3& from, const Vec3& to, double share) {
    const Vec3 axis = cross(from, to);
    const double s = axis.length();
    if (s < 1e-12)
        return Mat3();
    const double angle = std::atan2(s, std::clamp(dot(from, to), -1.0, 1.0));
    return Mat3::rotation(axis / s, angle * share);
}

} // namespace

PoseBuilder& PoseBuilder::turn(const std::string& bone, const Mat3& rotation) {
    m_Skeleton->find(bone);
    const auto found = m_Pose.find(bone);
    const Mat3 current = found == m_Pose.end() ? Mat3() : found->second;
    m_Pose[bone] = rotation * current;
    return *this;
}

PoseBuilder& PoseBuilder::turnBoth(const std::string& name, const Mat3& rightRotation) {
    turn(name + ".R", rightRotation);
    return turn(name + ".L", mirrored(rightRotation));
}

PoseBuilder& PoseBuilder::aim(const std::vector<std::string>& chain, const Vec3& direction,
                              double share) {
    const Vec3 target = direction.normalized();
    for (const std::string& name : chain) {
        const int index = m_Skeleton->find(name);
        const Bone& bone = m_Skeleton->bone(index);
        const PosedSkeleton posed = m_Skeleton->posed(m_Pose);
        const Mat3& world = posed.rotations[index];
        const Vec3 pointing = (world * (bone.tail - bone.head)).normalized();
        const Mat3 parent = bone.parent < 0 ? Mat3() : posed.rotations[bone.parent];
        const Mat3 wanted = partialRotationBetween(pointing, target, share) * world;
        m_Pose[name] = parent.transposed() * wanted;
    }
    return *this;
}

} // namespace assetgen
