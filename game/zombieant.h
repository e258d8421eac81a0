// The enemy that runs straight at the player ant at 4 units per second and eats
// it on contact. It never throws and never waits.
#pragma once

#include "game/insect.h"

class ZombieAnt : public Insect {
public:
    explicit ZombieAnt(Kestrel::RenderDevice* device);

    bool updateBehaviour(float dt) override;
    Kestrel::Animation* getDeathAnimation() override;
    void hunt(float dt);

    bool isEating() const { return m_Eating; }

private:
    bool m_Eating = false;
};
