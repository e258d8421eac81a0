// The projectile of soldier and player ants: held in the thrower's hand during
// the throw (position relative to the hand bone), then flying under gravity in
// world space, bouncing, tumbling, killing what it passes near, resting, sinking.
// Owned by the node it hangs on (the hand bone, then the world's player node).
#pragma once

#include "engine/entity.h"

namespace Kestrel {
class RenderDevice;
}

// A rock's uniform scale, relative to the hand bone while held.
const float ROCK_SCALE = 0.1f;

class Rock : public Kestrel::Entity {
public:
    Rock(Kestrel::RenderDevice* device, bool fromPlayer);
    ~Rock() override = default;

    void update(float dt) override;
    void hitTest();

    Kestrel::Vector3 m_Velocity;
    bool m_FromPlayer;
    bool m_Resting = false;
    bool m_Thrown = false;
};
