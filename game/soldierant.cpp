#include "game/soldierant.h"

#include "app/application.h"
#include "app/sound.h"
#include "app/world.h"
#include "engine/bone.h"
#include "engine/scenenode.h"
#include "game/animation_uses.h"
#include "game/playerant.h"
#include "game/rock.h"

namespace {

const float THROW_DISTANCE = 8.0f;
const float THROW_SPEED = 4.0f;
const float LAUNCH_HEIGHT = 0.2f;

} // namespace

SoldierAnt::SoldierAnt(Kestrel::RenderDevice* device) : SoldierAnt("ant.kst", device) {}

SoldierAnt::SoldierAnt(const char* meshFile, Kestrel::RenderDevice* device)
    : Insect(meshFile, device) {}

Kestrel::Animation* SoldierAnt::getDeathAnimation() {
    return keptAnimation(ANT_DIE);
}

bool SoldierAnt::updateBehaviour(float dt) {
    if (!Insect::updateBehaviour(dt))
        return false;
    if (m_Rock) {
        if (!currentAnimationFinished())
            return false;
        releaseRock();
    }
    think(dt);
    return true;
}

void SoldierAnt::think(float dt) {
    float distance = 0.0f;
    const Kestrel::Vector3 step = chaseStep(WALK_UP_SPEED, dt, distance);
    // Drawn at any distance, so the sequence of draws does not depend on it.
    const float r = randomFraction();
    if (dt > r && distance < THROW_DISTANCE) {
        throwRock();
        return;
    }
    walkUp(step, distance);
}

void SoldierAnt::throwRock() {
    if (m_Rock)
        return;
    Kestrel::Animation* throwAnimation = keptAnimation(ANT_THROW);
    if (getCurrentAnimation() != throwAnimation)
        play(throwAnimation, THROW_BLEND_TIME, false);
    m_Rock = new Rock(m_RenderDevice, this == static_cast<Insect*>(g_World->m_Player));
    // Without a hand the rock rides on the ant itself, so it is still drawn and
    // goes away with the ant.
    Kestrel::Bone* hand = getBone("RockHand");
    m_Rock->setParent(hand ? static_cast<Kestrel::Transformable*>(hand) : this);
}

void SoldierAnt::releaseRock() {
    m_Rock->m_Velocity += getFacing() * THROW_SPEED;
    m_Rock->m_Thrown = true;
    Kestrel::Bone* hand = getBone("RockHand");
    const Kestrel::Vector3 origin = hand ? hand->getMatrix().getTranslation() : m_Position;
    m_Rock->setPosition(origin + Kestrel::Vector3(0.0f, LAUNCH_HEIGHT, 0.0f));
    m_Rock->setParent(g_World->m_PlayerNode);
    m_Rock = nullptr;
    playSound(SOUND_THROW, m_Position);
}
