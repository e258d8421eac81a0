// The studio the preview photographs single ants in: an ant at the origin
// facing -z (mesh axes, docs/architecture.md) and the views around it. Shared
// by the contact sheets.
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

struct View {
    const char* name;
    Kestrel::Vector3 offset; // eye relative to the ant's middle, for an ant of the game's size
};

extern const View FRONT_RIGHT, RIGHT_SIDE, TOP, REAR_LEFT, FRONT;

// The ant at the game's size, or at twice that size and seen from relatively
// closer (the near plane keeps a camera a unit away from what it sees).
enum class Framing { Game, Close };

const AnimationUse& animationUse(const std::string& file);

extern const char* const ANT_MESHES[3];

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
