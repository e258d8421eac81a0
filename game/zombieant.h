// The enemy that runs straight at the player ant at 4 units per second and eats
// it on contact (closer than 0.3 units); it stands still while its eat animation
// plays. It never throws and never waits. World space; owned by the world's
// enemy node like every spawned ant.
#pragma once

#include "game/insect.h"

class ZombieAnt : public Insect {
public:
    explicit ZombieAnt(Kestrel::RenderDevice* device);

    bool updateBehaviour(float dt) override;
    Kestrel::Animation* getDeathAnimation() override;
    // One frame of eating, biting or chasing (dt in seconds).
    void hunt(float dt);

    bool isEating() const { return m_Eating; }

private:
    bool m_Eating = false;
};
