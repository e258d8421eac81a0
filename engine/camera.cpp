#include "engine/camera.h"

#include "engine/kestrel_math.h"

#include <cmath>

namespace Kestrel {
namespace {

// One step into -180..180, so a transition turns the short way round.
float shortestTurn(float degrees) {
    if (degrees > 180.0f)
        return degrees - 360.0f;
    if (degrees < -180.0f)
        return degrees + 360.0f;
    return degrees;
}

} // namespace

void Camera::lookAt(const Vector3& eye, const Vector3& target, const Vector3&) {
    m_Position = eye;
    const Vector3 d = target - eye;
    // Looking at the eye itself has no direction: keep the current one.
    if (d.lengthSquared() == 0.0f)
        return;
    const Vector3 n = d.normalized();
    m_Rotation.x = toDegrees(-std::asin(static_cast<double>(n.y)));
    m_Rotation.y = toDegrees(std::atan2(static_cast<double>(n.x), static_cast<double>(n.z)));
}

Vector3 Camera::getDirection() const {
    const float p = toRadians(m_Rotation.x);
    const float h = toRadians(m_Rotation.y);
    const float cosP = static_cast<float>(std::cos(double(p)));
    const float sinP = static_cast<float>(std::sin(double(p)));
    const float cosH = static_cast<float>(std::cos(double(h)));
    const float sinH = static_cast<float>(std::sin(double(h)));
    return {sinH * cosP, -sinP, cosP * cosH};
}

void Camera::moveTo(const Camera& target, float duration) {
    if (duration <= 0.0f) {
        m_Position = target.m_Position;
        m_Rotation = target.m_Rotation;
        m_TransitionDuration = m_TransitionTimeLeft = 0.0f;
        return;
    }
    const Vector3 turn = target.m_Rotation - m_Rotation;
    m_StartRotation = m_Rotation;
    m_EndRotation =
        m_Rotation + Vector3(shortestTurn(turn.x), shortestTurn(turn.y), shortestTurn(turn.z));
    m_StartPosition = m_Position;
    m_EndPosition = target.m_Position;
    m_TransitionDuration = m_TransitionTimeLeft = duration;
}

// t is not clamped: the last frame may overshoot the end pose slightly.
void Camera::update(float dt) {
    if (!(m_TransitionTimeLeft > 0.0f))
        return;
    m_TransitionTimeLeft -= dt;
    const float t = 1.0f - m_TransitionTimeLeft / m_TransitionDuration;
    m_Position = lerp(m_StartPosition, m_EndPosition, t);
    m_Rotation = lerp(m_StartRotation, m_EndRotation, t);
}

} // namespace Kestrel
