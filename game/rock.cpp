#include "game/rock.h"

#include "app/application.h"
#include "app/ground.h"
#include "app/sound.h"
#include "app/world.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "game/insect.h"
#include "game/playerant.h"

using Kestrel::Vector3;

namespace {

const float GRAVITY = 2.0f;
const float REST_SPEED_SQUARED = 0.001f;
const float REMOVAL_DEPTH = -1.0f;
const float TUMBLE_DEGREES = 360.0f;
const float CLEARANCE = 0.1f;
const float HIT_DISTANCE = 0.4f;
// Slower landings are a rock rolling or sliding, which touches the ground
// every frame and would rattle.
const float AUDIBLE_LANDING_SPEED = 0.5f;

// Mirrors the velocity on the ground and takes away the part of it that leaves
// along the normal: a steep bounce nearly stops, a grazing one keeps its speed.
Vector3 bounce(const Vector3& velocity, const Vector3& normal) {
    const Vector3 reflected = velocity - normal * (2.0f * dot(velocity, normal));
    if (reflected.lengthSquared() == 0.0f)
        return reflected;
    return reflected * (1.0f - dot(normal, reflected.normalized()));
}

} // namespace

Rock::Rock(Kestrel::RenderDevice* device, bool fromPlayer)
    : Kestrel::Entity(Kestrel::ResourceManager::getInstance()->loadMesh("rock.kst", device)),
      m_FromPlayer(fromPlayer) {
    setScale(ROCK_SCALE, ROCK_SCALE, ROCK_SCALE);
}

// While held, the position is relative to the hand and is treated like a world
// position all the same.
void Rock::update(float dt) {
    Kestrel::Entity::update(dt);
    m_Position += m_Velocity * dt;
    m_Velocity.y -= GRAVITY * dt;
    const float speedSquared = m_Velocity.lengthSquared();
    if (speedSquared < REST_SPEED_SQUARED && m_Thrown)
        m_Resting = true;
    if (m_Resting) {
        if (m_Position.y < REMOVAL_DEPTH)
            markForDeletion();
        return;
    }
    m_Rotation.x += speedSquared * TUMBLE_DEGREES * dt;
    m_Rotation.z += speedSquared * TUMBLE_DEGREES * dt * 0.5f;
    const float ground = Ground::getHeight(m_Position.x, m_Position.z);
    if (ground > m_Position.y - CLEARANCE) {
        m_Position.y = ground + CLEARANCE;
        const Vector3 normal = g_World->m_Ground->getNormal(m_Position.x, m_Position.z);
        if (m_Thrown && -dot(m_Velocity, normal) > AUDIBLE_LANDING_SPEED)
            playSound(SOUND_ROCK_GROUND, m_Position);
        m_Velocity = bounce(m_Velocity, normal);
        // The rest test above follows gravity, which alone gives (2 dt)^2, above
        // the limit at 16 ms: a rock stopped dead by a bounce rests here instead
        // of hopping in place for ever.
        if (m_Thrown && m_Velocity.lengthSquared() < REST_SPEED_SQUARED)
            m_Resting = true;
    }
    hitTest();
}

// A hit neither stops nor removes the rock; dead insects refuse a second death.
void Rock::hitTest() {
    if (m_FromPlayer) {
        Kestrel::SceneNode* enemies = g_World->m_EnemyNode;
        const unsigned count = enemies->getChildCount();
        for (unsigned i = 0; i < count; ++i) {
            Kestrel::Transformable* child = enemies->getChild(i);
            if (distance(child->getPosition(), m_Position) < HIT_DISTANCE) {
                Insect* insect = dynamic_cast<Insect*>(child);
                if (insect && insect->die())
                    playSound(SOUND_ROCK_HIT, m_Position);
            }
        }
        return;
    }
    PlayerAnt* player = g_World->m_Player;
    if (distance(player->getPosition(), m_Position) < HIT_DISTANCE && player->die())
        playSound(SOUND_ROCK_HIT, m_Position);
}
