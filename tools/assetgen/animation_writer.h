// Writes keyframed bone animations in the game's .ksta text format. Poses are
// rotation matrices per bone (see skeleton.h) and are turned into the pose
// angles the game interpolates; every keyframe needs a positive duration.
#pragma once

#include "tools/assetgen/skeleton.h"

#include <string>
#include <vector>

namespace assetgen {

struct Keyframe {
    double duration = 0.0; // seconds until the next keyframe
    Pose pose;
};

// Throws std::logic_error for a bone the skeleton lacks or a duration that is
// not positive.
std::string animationText(const Skeleton& skeleton, const std::vector<Keyframe>& keyframes);

} // namespace assetgen
