#include "tools/assetgen/animation_writer.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace assetgen {

namespace {

// Values that print as zero are written as zero, never as "-0.000000".
double tidy(double value) {
    return std::abs(value) < 5e-7 ? 0.0 : value;
}

std::string keyframeText(const Skeleton& skeleton, const Keyframe& keyframe) {
    if (!(keyframe.duration > 0.0))
        throw std::logic_error("keyframe without a positive duration");
    char line[256];
    std::snprintf(line, sizeof line,
                  "[keyframe]\ntranslation=(0.000000,0.000000,0.000000)\nduration=%f\n",
                  keyframe.duration);
    std::string text = line;
    // The pose is an ordered map, so bones come in ascending byte order of their names.
    for (const auto& [name, rotation] : keyframe.pose) {
        const Vec3 a = skeleton.anglesFor(skeleton.find(name), rotation);
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
    for (const Keyframe& keyframe : keyframes)
        text += keyframeText(skeleton, keyframe);
    return text;
}

double playLength(const std::vector<Keyframe>& keyframes) {
    double length = 0.0;
    for (std::size_t i = 0; i + 1 < keyframes.size(); ++i)
        length += keyframes[i].duration;
    return length;
}

} // namespace assetgen
