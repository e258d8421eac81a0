#include "game/playerant.h"

#include "app/application.h"
#include "app/world.h"
#include "game/animation_uses.h"

#include <algorithm>
#include <cmath>

namespace {

const float WALK_SPEED = 3.0f;
const float FIELD_MIN = 0.0f;
const float FIELD_MAX = 15.0f;

bool outsideField(float value) {
    return value < FIELD_MIN || value > FIELD_MAX;
}

} // namespace

PlayerAnt::PlayerAnt(Kestrel::RenderDevice* device) : SoldierAnt(device) {}

void PlayerAnt::think(float dt) {
    m_Controller.latch();
    m_InvulnerableTime = std::max(0.0f, m_InvulnerableTime - dt);
    const float oldX = m_Position.x;
    const float oldZ = m_Position.z;

    // Up wins over Down and Left over Right.
    const float s = WALK_SPEED * dt;
    float dx = 0.0f, dz = 0.0f;
    if (m_Controller.isHeld(BUTTON_UP))
        dz = s;
    else if (m_Controller.isHeld(BUTTON_DOWN))
        dz = -s;
    if (m_Controller.isHeld(BUTTON_LEFT))
        dx = s;
    else if (m_Controller.isHeld(BUTTON_RIGHT))
        dx = -s;
    m_Position += Kestrel::Vector3(dx, 0.0f, dz);

    const bool moving = dx * dx + dz * dz > 0.0f;
    if (m_Controller.isHeld(BUTTON_C) && moving)
        turnWith(Kestrel::Vector3(dx, 0.0f, dz));
    switchAnimation(keptAnimation(moving ? ANT_WALK : ANT_IDLE), true);

    if (outsideField(m_Position.x))
        m_Position.x = oldX;
    if (outsideField(m_Position.z))
        m_Position.z = oldZ;

    if (m_Controller.wasPressed(BUTTON_X))
        throwRock();
}

// The ant turns its back to the way it moves, gradually, since each step pulls
// the unit direction only part of the way.
void PlayerAnt::turnWith(const Kestrel::Vector3& move) {
    const Kestrel::Vector3 sum = m_Direction + move;
    if (sum.lengthSquared() == 0.0f)
        return;
    m_Direction = sum.normalized();
    m_Rotation.y = std::atan2(-m_Direction.z, m_Direction.x) * DEGREES_PER_RADIAN + 90.0f;
}

bool PlayerAnt::die() {
    if (m_InvulnerableTime > 0.0f)
        return false;
    if (!Insect::die())
        return false;
    g_World->spawnPlayer();
    return true;
}
