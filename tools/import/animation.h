// Animations for the converted skeleton: the source's key times merged over
// its channels, each pose turned into bone angles, then thinned: a keyframe is
// dropped when the engine's cubic through the remaining ones stays within the
// bound at every source key time. Times in seconds from the animation's start.
#pragma once

#include "tools/import/model.h"
#include "tools/import/skeleton.h"

namespace KestrelImport {

// Largest error a dropped keyframe may cause, as a fraction of the diagonal.
const double THINNING_BOUND = 0.0005;

AnimationOutput convertAnimation(const aiScene& scene, unsigned index, Skeleton& skeleton,
                                 SourcePose& pose, const ImportedModel& model, bool keepAllKeys);

} // namespace KestrelImport
