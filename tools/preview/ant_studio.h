// The studio the preview photographs single ants in: an ant at the origin
// facing -z (mesh axes, docs/architecture.md) and the views around it. Shared
// by the contact sheets. Entities are posed through their animation stack: a
// pose applied by one update reaches the bone matrices at the next, so every
// pose ends with an update of no time that settles the matrices.
#pragma once

#include "engine/vector.h"
#include "game/animation_uses.h"
#include "tools/preview/stage.h"

#include <string>
#include <vector>

namespace Kestrel {
class Entity;
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

struct View {
    const char* name;
    Kestrel::Vector3 offset; // eye relative to the ant's middle, for an ant of the game's size
};

inline const View FRONT_RIGHT{"front right", {0.75f, 0.6f, -1.15f}};
inline const View RIGHT_SIDE{"right side", {1.5f, 0.15f, 0.0f}};
inline const View TOP{"top", {0.0f, 1.5f, 0.3f}};
inline const View REAR_LEFT{"rear left", {-0.95f, 0.65f, 1.05f}};
inline const View FRONT{"front", {0.0f, 0.3f, -1.55f}};

// The ant at the game's size, or at twice that size and seen from relatively
// closer (the near plane keeps a camera a unit away from what it sees).
enum class Framing { Game, Close };

const AnimationUse& animationUse(const std::string& file);

inline const char* const ANT_MESHES[3] = {"ant.kst", "fireant.kst", "zombieant.kst"};

// Null (with the engine's report) when the mesh cannot be loaded.
Kestrel::Entity* addAnt(Kestrel::Scene& scene, const std::string& mesh, Framing framing);
Shot antShot(const View& view, const std::string& caption, Framing framing);

// An ant playing the animation as the game does, `time` into it, with the
// rock in its hand when it throws; the caption names the moment and prints the
// pose's lowest point (world units at the game's size), so that a pose that
// sinks into the floor or floats shows up.
struct AntMoment {
    Kestrel::Entity* ant = nullptr;
    std::string caption;
};
AntMoment playMoment(Kestrel::Scene& scene, Kestrel::RenderDevice& device, const AnimationUse& use,
                     float time, Framing framing);

} // namespace preview
