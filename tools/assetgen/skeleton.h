// A bone hierarchy in rest-pose mesh coordinates with the game's pose rules
// (bone axes from the tail, angles in radians applied z, x, y, clockwise from
// each axis tip); PoseBuilder authors poses as turns about bone heads in degrees,
// GroundContact finds where a posed ant meets the ground (y = 0) as the game
// skins it, and animationText writes keyframes in the game's .ksta format.
#pragma once

#include "tools/assetgen/geometry.h"
#include "tools/assetgen/mesh_builder.h"

#include <map>
#include <string>
#include <vector>

namespace assetgen {

struct Bone {
    std::string name;
    int parent = -1;
    Vec3 head;
    Vec3 tail;
};

// Rotation of each named bone about its head, relative to its parent and in
// rest-pose mesh axes; bones not named stay at rest.
using Pose = std::map<std::string, Mat3>;

// Where a pose puts every bone: its head and its accumulated rotation.
struct PosedSkeleton {
    std::vector<Vec3> heads;
    std::vector<Mat3> rotations;
};

class Skeleton {
public:
    void addRoot(const std::string& name, const Vec3& head, const Vec3& tail);
    void addBone(const std::string& name, const std::string& parent, const Vec3& tail);

    int find(const std::string& name) const;
    const Bone& bone(int index) const { return m_Bones[index]; }
    const Bone& bone(const std::string& name) const { return m_Bones[find(name)]; }
    int size() const { return static_cast<int>(m_Bones.size()); }

    // The bone's axes (columns x, y, z) in mesh coordinates, as the game derives
    // them: z along the bone, x = z cross up, y = x cross z.
    Mat3 axes(int index) const;
    // Pose angles (x, y, z in radians) that make the bone turn by `rotation`.
    Vec3 anglesFor(int index, const Mat3& rotation) const;

    PosedSkeleton posed(const Pose& pose) const;
    // Where a rest-pose point carried by a bone ends up in a posed skeleton.
    Vec3 carry(const PosedSkeleton& posed, int index, const Vec3& restPoint) const;

    void writeTo(MeshBuilder& mesh) const;

private:
    std::vector<Bone> m_Bones;
};

// The rotation mirrored across the plane x = 0, for the other side's bone.
Mat3 mirrored(const Mat3& rotation);

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

// Composes a pose from readable steps; each turn acts after the bone's parent
// has moved.
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

class GroundContact {
public:
    GroundContact(const Skeleton& skeleton, const MeshBuilder& mesh);

    // The lowest height of the vertices that follow any of the bones (all
    // vertices when the list is empty).
    double lowest(const Pose& pose, const std::vector<std::string>& bones = {}) const;

private:
    struct Influence {
        int bone;
        double weight;
    };
    struct Point {
        Vec3 rest;
        std::vector<Influence> influences;
    };

    const Skeleton& m_Skeleton;
    std::vector<Point> m_Points;
};

struct Keyframe {
    double duration = 0.0; // seconds until the next keyframe
    Pose pose;
};

// Throws std::logic_error for a bone the skeleton lacks or a duration that is
// not positive.
std::string animationText(const Skeleton& skeleton, const std::vector<Keyframe>& keyframes);

} // namespace assetgen
