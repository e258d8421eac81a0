#include "tools/assetgen/animation_writer.h"

#include "engine/file_keys.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace assetgen {

namespace {

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
    const auto found = history.find(bone);
    if (found == history.end())
        return history[bone] = angles;
    const Vec3& before = found->second;
    return found->second = Vec3(nearTo(angles.x, before.x), nearTo(angles.y, before.y),
                                nearTo(angles.z, before.z));
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

double playLength(const std::vector<Keyframe>& keyframes) {
    double length = 0.0;
    for (std::size_t i = 0; i + 1 < keyframes.size(); ++i)
        length += keyframes[i].duration;
    return length;
}

} // namespace assetgen
