#include "tools/assetgen/skeleton.h"

#include "engine/file_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace assetgen {

void Skeleton::addRoot(const std::string& name, const Vec3& head, const Vec3& tail) {
    if (!m_Bones.empty())
        throw std::logic_error("the root bone must come first");
    m_Bones.push_back({name, -1, head, tail});
}

void Skeleton::addBone(const std::string& name, const std::string& parent, const Vec3& tail) {
    const int p = find(parent);
    m_Bones.push_back({name, p, m_Bones[p].tail, tail});
}

int Skeleton::find(const std::string& name) const {
    for (int i = 0; i < size(); ++i)
        if (m_Bones[i].name == name)
            return i;
    throw std::logic_error("unknown bone " + name);
}

Mat3 Skeleton::axes(int index) const {
    Vec3 tail = m_Bones[index].tail - m_Bones[index].head;
    if (tail.x == 0.0 && tail.z == 0.0)
        tail.z = 0.00001;
    const Vec3 z = tail.normalized();
    const Vec3 x = cross(z, Vec3(0, 1, 0)).normalized();
    const Vec3 y = cross(x, z).normalized();
    return Mat3::fromColumns(x, y, z);
}

namespace {

// The game's bone axes (x, y, z) form a left-handed frame; (x, y, -z) is the
// right-handed frame the rotations are expressed in.
Mat3 rightHanded(const Mat3& axes) {
    Mat3 c = axes;
    for (int i = 0; i < 3; ++i)
        c.m[i][2] = -c.m[i][2];
    return c;
}

Mat3 partialRotationBetween(const Vec3& from, const Vec3& to, double share) {
    const Vec3 axis = cross(from, to);
    const double s = axis.length();
    if (s < 1e-12)
        return Mat3();
    const double angle = std::atan2(s, std::clamp(dot(from, to), -1.0, 1.0));
    return Mat3::rotation(axis / s, angle * share);
}

// Values that print as zero are written as zero, never as "-0.000000".
double tidy(double value) {
    return std::abs(value) < 5e-7 ? 0.0 : value;
}

// The game interpolates each angle on its own, so an angle that wraps round
// between keyframes (179 to -179 degrees) would spin the bone the long way.
// Each is kept within half a turn of the same bone's angle in the keyframe
// before.
using AngleHistory = std::map<std::string, Vec3>;

double nearTo(double angle, double previous) {
    while (angle - previous > PI)
        angle -= 2.0 * PI;
    while (angle - previous < -PI)
        angle += 2.0 * PI;
    return angle;
}

Vec3 continued(const std::string& bone, const Vec3& angles, AngleHistory& history) {
    const auto [found, first] = history.try_emplace(bone, angles);
    Vec3& before = found->second;
    if (!first)
        before = Vec3(nearTo(angles.x, before.x), nearTo(angles.y, before.y),
                      nearTo(angles.z, before.z));
    return before;
}

std::string keyframeText(const Skeleton& skeleton, const Keyframe& keyframe,
                         AngleHistory& history) {
    if (!(keyframe.duration > 0.0))
        throw std::logic_error("keyframe without a positive duration");
    char line[256];
    std::snprintf(line, sizeof line, "%s\n%s(0.000000,0.000000,0.000000)\n%s%f\n",
                  Kestrel::KSTA_KEYFRAME, Kestrel::KSTA_TRANSLATION, Kestrel::KSTA_DURATION,
                  keyframe.duration);
    std::string text = line;
    // The pose is an ordered map, so bones come in ascending byte order of their names.
    for (const auto& [name, rotation] : keyframe.pose) {
        const Vec3 a = continued(name, skeleton.anglesFor(skeleton.find(name), rotation), history);
        const double x = tidy(a.x), y = tidy(a.y), z = tidy(a.z);
        if (x == 0.0 && y == 0.0 && z == 0.0)
            continue;
        std::snprintf(line, sizeof line, "%s:(%f,%f,%f)\n", name.c_str(), x, y, z);
        text += line;
    }
    return text;
}

} // namespace

// The game turns by -angle about each axis, in the order z, x, y. About the
// frame (x, y, -z) that is C * Rz(z) * Rx(-x) * Ry(-y) * C^T with right-handed
// rotations R*; this inverts it.
Vec3 Skeleton::anglesFor(int index, const Mat3& rotation) const {
    const Mat3 c = rightHanded(axes(index));
    const Mat3 local = c.transposed() * rotation * c;
    const double aboutX = std::asin(std::clamp(local.m[2][1], -1.0, 1.0));
    const double aboutY = std::atan2(-local.m[2][0], local.m[2][2]);
    const double aboutZ = std::atan2(-local.m[0][1], local.m[1][1]);
    return {-aboutX, -aboutY, aboutZ};
}

PosedSkeleton Skeleton::posed(const Pose& pose) const {
    PosedSkeleton result;
    for (const Bone& b : m_Bones) {
        const auto found = pose.find(b.name);
        const Mat3 own = found == pose.end() ? Mat3() : found->second;
        if (b.parent < 0) {
            result.heads.push_back(b.head);
            result.rotations.push_back(own);
            continue;
        }
        const Mat3& parentRotation = result.rotations[b.parent];
        const Vec3 offset = b.head - m_Bones[b.parent].head;
        result.heads.push_back(result.heads[b.parent] + parentRotation * offset);
        result.rotations.push_back(parentRotation * own);
    }
    return result;
}

Vec3 Skeleton::carry(const PosedSkeleton& posed, int index, const Vec3& restPoint) const {
    return posed.heads[index] + posed.rotations[index] * (restPoint - m_Bones[index].head);
}

void Skeleton::writeTo(MeshBuilder& mesh) const {
    for (const Bone& b : m_Bones) {
        if (b.parent < 0)
            mesh.addRootBone(b.name, b.head, b.tail);
        else
            mesh.addBone(b.name, m_Bones[b.parent].name, b.tail);
    }
}

Mat3 mirrored(const Mat3& rotation) {
    Mat3 r = rotation;
    for (int i = 0; i < 3; ++i) {
        r.m[0][i] = -r.m[0][i];
        r.m[i][0] = -r.m[i][0];
    }
    return r;
}

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

GroundContact::GroundContact(const Skeleton& skeleton, const MeshBuilder& mesh)
    : m_Skeleton(skeleton) {
    for (int v = 0; v < mesh.vertexCount(); ++v)
        m_Points.push_back({mesh.position(v), {}});
    for (const VertexWeight& w : mesh.weights())
        m_Points[w.vertex].influences.push_back({skeleton.find(w.bone), w.weight});
}

double GroundContact::lowest(const Pose& pose, const std::vector<std::string>& bones) const {
    std::vector<bool> counted(m_Skeleton.size(), bones.empty());
    for (const std::string& name : bones)
        counted[m_Skeleton.find(name)] = true;
    const PosedSkeleton posed = m_Skeleton.posed(pose);
    double low = std::numeric_limits<double>::max();
    for (const Point& point : m_Points) {
        const bool wanted = std::any_of(point.influences.begin(), point.influences.end(),
                                        [&](const Influence& i) { return counted[i.bone]; });
        if (!wanted)
            continue;
        Vec3 sum;
        double total = 0.0;
        for (const Influence& i : point.influences) {
            sum = sum + m_Skeleton.carry(posed, i.bone, point.rest) * i.weight;
            total += i.weight;
        }
        if (total > 0.0)
            low = std::min(low, sum.y / total);
    }
    return low;
}

std::string animationText(const Skeleton& skeleton, const std::vector<Keyframe>& keyframes) {
    std::string text;
    AngleHistory history;
    for (const Keyframe& keyframe : keyframes) {
        // A bone a keyframe leaves out is at rest there.
        for (auto& [bone, angles] : history)
            if (keyframe.pose.count(bone) == 0)
                angles = Vec3();
        text += keyframeText(skeleton, keyframe, history);
    }
    return text;
}

} // namespace assetgen
