// Puts entities into poses through their animation stack: a pose applied by
// one update reaches the bone matrices at the next, so every pose ends with an
// update of no time that settles the matrices.
#pragma once

#include <string>

namespace Kestrel {
class Entity;
class RenderDevice;
class Scene;
} // namespace Kestrel

namespace preview {

// The pose of the animation alone at the time; an actor's behaviour does not
// run. False (with a message) when the animation cannot be read.
bool poseAt(Kestrel::Entity& entity, const std::string& animation, float time, bool loop);

// The pose the game shows `time` into the animation when it switches to it
// from `previous` (looping) with the blend time, in frames of 16 ms.
bool playAfter(Kestrel::Entity& entity, const std::string& previous, const std::string& animation,
               float blendTime, float time, bool loop);

// The length the game plays: to the last keyframe once, or round the loop.
float playedLength(const std::string& animation, bool loop);

// The lowest world height of the entity's skinned mesh in its current pose:
// about 0 for an ant standing on the floor.
float lowestPoint(Kestrel::Entity& entity, Kestrel::RenderDevice& device);

// Updates the scene's tree once, so that everything attached is drawn.
void settle(Kestrel::Scene& scene);

} // namespace preview
