#include "game/insect.h"

#include "app/application.h"
#include "app/ground.h"
#include "app/random.h"
#include "app/sound.h"
#include "app/world.h"
#include "engine/animation.h"
#include "engine/resourcemanager.h"
#include "game/animation_uses.h"
#include "game/playerant.h"

#include <cmath>
#include <map>
#include <string>

using Kestrel::Vector3;

namespace {

const float START_HEADING = -180.0f;
const float SINK_SPEED = 0.5f;
const float REMOVAL_DEPTH = -1.0f;
const float WAIT_DISTANCE = 4.0f;

// The cache reads an animation file anew on every request, so each one is read
// once and kept here; a file that cannot be read is kept as null. An entry the
// cache no longer holds (it was emptied) is read again.
std::map<std::string, Kestrel::Animation*, std::less<>> g_KeptAnimations;

} // namespace

Kestrel::Mesh* loadAntMesh(const char* file, Kestrel::RenderDevice* device) {
    return Kestrel::ResourceManager::getInstance()->loadMesh(file, device);
}

Kestrel::Animation* keptAnimation(const char* file) {
    Kestrel::ResourceManager* resources = Kestrel::ResourceManager::getInstance();
    auto kept = g_KeptAnimations.find(file);
    if (kept != g_KeptAnimations.end() &&
        resources->findResource(kept->first) == static_cast<Kestrel::Resource*>(kept->second))
        return kept->second;
    Kestrel::Animation* animation = resources->loadAnimation(file);
    g_KeptAnimations[file] = animation;
    return animation;
}

float randomFraction() {
    return static_cast<float>(gameRand()) * RAND_FRACTION;
}

Insect::Insect(const char* meshFile, Kestrel::RenderDevice* device)
    : Kestrel::Entity(loadAntMesh(meshFile, device)), m_RenderDevice(device) {
    setScale(ANT_SCALE, ANT_SCALE, ANT_SCALE);
    setRotationY(START_HEADING);
}

void Insect::update(float dt) {
    updateBehaviour(dt);
    Kestrel::Entity::update(dt);
}

bool Insect::updateBehaviour(float dt) {
    if (m_Dead) {
        if (currentAnimationFinished()) {
            m_Position.y -= SINK_SPEED * dt;
            if (m_Position.y < REMOVAL_DEPTH)
                markForDeletion();
        }
        return false;
    }
    m_Position.y = Ground::getHeight(m_Position.x, m_Position.z);
    return true;
}

bool Insect::die() {
    if (m_Dead)
        return false;
    m_Dead = true;
    const bool player = this == static_cast<Insect*>(g_World->m_Player);
    if (!player)
        ++g_World->m_Kills;
    playSound(player ? SOUND_PLAYER_DEATH : SOUND_ENEMY_DEATH, m_Position);
    play(getDeathAnimation(), SWITCH_BLEND_TIME, false);
    return true;
}

Vector3 Insect::getFacing() const {
    const float h = m_Rotation.y * RADIANS_PER_DEGREE;
    return Vector3(-std::sin(h), 0.0f, -std::cos(h));
}

void Insect::play(Kestrel::Animation* animation, float blendTime, bool loop) {
    if (getMesh())
        playAnimation(animation, blendTime, loop, false);
}

void Insect::switchAnimation(Kestrel::Animation* animation, bool loop) {
    if (getCurrentAnimation() != animation)
        play(animation, SWITCH_BLEND_TIME, loop);
}

void Insect::walkUp(const Vector3& step, float distance) {
    if (distance > WAIT_DISTANCE) {
        m_Position += step;
        switchAnimation(keptAnimation(ANT_WALK), true);
    } else {
        switchAnimation(keptAnimation(ANT_IDLE), true);
    }
    faceDirection(step);
}

void Insect::faceDirection(const Vector3& d) {
    m_Rotation.y = std::atan2(d.x, d.z) * DEGREES_PER_RADIAN + 180.0f;
}

Vector3 Insect::chaseStep(float speed, float dt, float& distance) const {
    const Vector3 toTarget = g_World->m_Player->getPosition() - m_Position;
    distance = toTarget.length();
    if (distance == 0.0f)
        return Vector3();
    return toTarget.normalized(speed * dt);
}

bool Insect::currentAnimationFinished() const {
    const Kestrel::Animation* animation = getCurrentAnimation();
    return !animation || getCurrentAnimationTime() >= animation->getAnimationLength(false);
}
