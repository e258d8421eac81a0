#include "game/fireant.h"

#include "app/application.h"
#include "app/sound.h"
#include "app/world.h"
#include "engine/bone.h"
#include "engine/scenenode.h"
#include "game/animation_uses.h"
#include "game/flame.h"
#include "game/playerant.h"

namespace {

const float FLAME_INTERVAL = 0.2f;
// How far ahead of the head's origin a flame starts.
const float MOUTH_OFFSET = 0.2f;

} // namespace

FireAnt::FireAnt(Kestrel::RenderDevice* device) : Insect("fireant.kst", device) {
    resetFireCountdown();
}

Kestrel::Animation* FireAnt::getDeathAnimation() {
    return keptAnimation(ANT_DIE);
}

void FireAnt::resetFireCountdown() {
    m_FireCountdown = 2.0f + 2.0f * randomFraction();
}

bool FireAnt::updateBehaviour(float dt) {
    if (!Insect::updateBehaviour(dt))
        return false;
    if (m_FireCountdown > 0.0f)
        approach(dt);
    else
        breatheFire(dt);
    return true;
}

void FireAnt::approach(float dt) {
    float distance = 0.0f;
    const Kestrel::Vector3 step = chaseStep(WALK_UP_SPEED, dt, distance);
    m_FireCountdown -= dt;
    if (m_FireCountdown <= 0.0f) {
        play(keptAnimation(ANT_FIRE), SWITCH_BLEND_TIME, false);
        // One roar for the whole breath, not one per flame particle.
        playSound(SOUND_FLAME, m_Position);
        return;
    }
    walkUp(step, distance);
}

void FireAnt::breatheFire(float dt) {
    if (currentAnimationFinished()) {
        resetFireCountdown();
        return;
    }
    m_FlameTimer += dt;
    if (m_FlameTimer > FLAME_INTERVAL) {
        emitFlame();
        m_FlameTimer = 0.0f;
    }
}

// Flames leave along the head bone's local -z axis, flattened to the ground
// plane; without a usable head they leave the ant's front along its facing.
void FireAnt::emitFlame() {
    Kestrel::Vector3 start;
    Kestrel::Vector3 direction;
    if (Kestrel::Bone* head = getBone("Head")) {
        const Kestrel::Vector3 a = head->transformPoint(Kestrel::Vector3(0.0f, 0.0f, 0.0f));
        start = head->transformPoint(Kestrel::Vector3(0.0f, 0.0f, MOUTH_OFFSET));
        direction = Kestrel::Vector3(a.x - start.x, 0.0f, a.z - start.z);
    }
    if (direction.lengthSquared() == 0.0f) {
        direction = getFacing();
        start = m_Position + direction * MOUTH_OFFSET;
    }
    g_World->m_Scene->getParticleManager()->addParticle(new Flame(start, direction));
}
