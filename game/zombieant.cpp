#include "game/zombieant.h"

#include "app/application.h"
#include "app/sound.h"
#include "app/world.h"
#include "game/animation_uses.h"
#include "game/playerant.h"

namespace {

const float RUN_SPEED = 4.0f;
const float BITE_DISTANCE = 0.3f;

} // namespace

ZombieAnt::ZombieAnt(Kestrel::RenderDevice* device) : Insect("zombieant.kst", device) {}

Kestrel::Animation* ZombieAnt::getDeathAnimation() {
    return keptAnimation(ANT_DIE);
}

bool ZombieAnt::updateBehaviour(float dt) {
    if (!Insect::updateBehaviour(dt))
        return false;
    hunt(dt);
    return true;
}

void ZombieAnt::hunt(float dt) {
    // An eating zombie stands still, also in the frame in which eating ends.
    if (m_Eating) {
        if (currentAnimationFinished())
            m_Eating = false;
        return;
    }
    float distance = 0.0f;
    const Kestrel::Vector3 step = chaseStep(RUN_SPEED, dt, distance);
    if (distance < BITE_DISTANCE) {
        m_Eating = true;
        switchAnimation(keptAnimation(ZOMBIE_EAT), false);
        playSound(SOUND_BITE, m_Position);
        g_World->m_Player->die();
        return;
    }
    m_Position += step;
    switchAnimation(keptAnimation(ANT_WALK), true);
    faceDirection(step);
}
