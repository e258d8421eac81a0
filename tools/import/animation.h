// Animations for the converted skeleton: the source's key times merged over
// its channels, each pose turned into bone angles. Where the engine's cubic
// strays half-way between keys (it turns angles, the source turns rotations),
// the half-way pose becomes a key too; then keys are thinned: one is dropped
// when the cubic through the others stays within the bounds at every key time
// and half-way between. Times in seconds from the animation's start.
#pragma once

#include "tools/import/model.h"
#include "tools/import/skeleton.h"

namespace KestrelImport {

// Largest estimated vertex error, as a fraction of the diagonal, at key times
// and half-way between them.
const double KEY_BOUND = 0.0008;
const double HALF_WAY_BOUND = 0.008;

AnimationOutput convertAnimation(const aiScene& scene, unsigned index, Skeleton& skeleton,
                                 const SourcePose& pose, const ImportedModel& model,
                                 bool keepAllKeys);

} // namespace KestrelImport
