// The enemy that walks up like a soldier but every 2 to 4 seconds stops and
// breathes flames from its "Head" bone into the scene's particle manager.
// World space; the flames belong to the particle manager.
#pragma once

#include "game/insect.h"

class FireAnt : public Insect {
public:
    explicit FireAnt(Kestrel::RenderDevice* device);

    bool updateBehaviour(float dt) override;
    Kestrel::Animation* getDeathAnimation() override;
    void resetFireCountdown();
    void approach(float dt);
    void breatheFire(float dt);

    float getFireCountdown() const { return m_FireCountdown; }
    float getFlameTimer() const { return m_FlameTimer; }

private:
    void emitFlame();

    float m_FlameTimer = 0.0f;
    float m_FireCountdown = 0.0f;
};
