// Puts entities into exact poses through their animation stack: a pose applied
// by one update reaches the bone matrices at the next, so a pose at time t
// takes three updates (start, advance to t, settle).
#pragma once

#include <string>

namespace Kestrel {
class Entity;
class RenderDevice;
class Scene;
} // namespace Kestrel

namespace preview {

// Loads the animation; null (with a message) when it cannot be read.
bool poseAt(Kestrel::Entity& entity, const std::string& animation, float time, bool loop);

// The length the game plays: to the last keyframe once, or round the loop.
float playedLength(const std::string& animation, bool loop);

// The lowest world height of the entity's skinned mesh in its current pose:
// about 0 for an ant standing on the floor.
float lowestPoint(Kestrel::Entity& entity, Kestrel::RenderDevice& device);

// Updates the scene's tree once, so that everything attached is drawn.
void settle(Kestrel::Scene& scene);

} // namespace preview
