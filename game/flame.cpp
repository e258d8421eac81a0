#include "game/flame.h"

#include "app/application.h"
#include "app/ground.h"
#include "app/world.h"
#include "engine/scenenode.h"
#include "game/insect.h"
#include "game/playerant.h"

#include <algorithm>
#include <cmath>

using Kestrel::Vector2;
using Kestrel::Vector3;

namespace {

const float FLAME_LIFETIME = 2.0f;
const float FLAME_FULL_SIZE = 1.0f;
const float FLAME_SPEED = 5.0f;
const float SMOKE_INTERVAL = 0.2f;
const float SMOKE_START_SIZE = 0.8f;
const float SMOKE_END_SIZE = 0.4f;

} // namespace

Flame::Flame(const Vector3& position, const Vector3& direction) {
    m_Position = position;
    m_Size = 0.0f;
    // A zero direction has no normal form; such a flame stays where it starts.
    if (direction.lengthSquared() > 0.0f)
        m_Direction = direction.normalized();
}

bool Flame::update(float dt) {
    m_Age += dt;
    if (m_Age > FLAME_LIFETIME)
        return false;
    m_Size = std::min(m_Age, FLAME_FULL_SIZE);
    m_Position += m_Direction * dt * FLAME_SPEED;
    if (Ground::getHeight(m_Position.x, m_Position.z) > m_Position.y)
        return false;

    // Half the size against the squared distance: the reach grows with the flame.
    PlayerAnt* player = g_World->m_Player;
    if (0.5f * m_Size > distanceSquared(player->getPosition(), m_Position)) {
        player->die();
        return false;
    }

    m_SmokeTimer += dt;
    if (m_SmokeTimer > SMOKE_INTERVAL) {
        g_World->m_Scene->getParticleManager()->addParticle(new Smoke(m_Position));
        m_SmokeTimer = std::fmod(m_SmokeTimer, SMOKE_INTERVAL);
    }
    return true;
}

const Vector2& Flame::getTexCoordMin() const {
    return FLAME_CELL_MIN;
}

const Vector2& Flame::getTexCoordMax() const {
    return FLAME_CELL_MAX;
}

Flame::Smoke::Smoke(const Vector3& position) {
    // The first draw scatters along z, the second along x.
    const float r1 = randomFraction();
    const float r2 = randomFraction();
    m_Position = position + Vector3(0.5f * r2 - 0.25f, 0.0f, 0.5f * r1 - 0.25f);
    m_Size = SMOKE_START_SIZE;
}

bool Flame::Smoke::update(float dt) {
    m_Position.x += 0.25f * dt;
    m_Position.y += 0.5f * dt;
    m_Size -= 0.5f * dt;
    return m_Size > SMOKE_END_SIZE;
}

const Vector2& Flame::Smoke::getTexCoordMin() const {
    return SMOKE_CELL_MIN;
}

const Vector2& Flame::Smoke::getTexCoordMax() const {
    return SMOKE_CELL_MAX;
}
