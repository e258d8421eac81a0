// The viewpoint a scene is drawn through: an eye point in world coordinates and
// a rotation in degrees (x pitch, positive looks down; y heading, 0 looks along
// +z; z roll), plus a timed transition towards another pose. A plain value.
#pragma once

#include "engine/transformable.h"

namespace Kestrel {

class Camera : public Positionable, public Rotatable {
public:
    void setAspect(float aspect) { m_Aspect = aspect; }
    float getAspect() const { return m_Aspect; }

    // The up vector is accepted and ignored; roll is left as it is.
    void lookAt(const Vector3& eye, const Vector3& target, const Vector3& up);
    Vector3 getDirection() const;
    // Starts a transition to the target's pose, turning the short way round.
    void moveTo(const Camera& target, float duration);
    void update(float dt);

protected:
    Vector3 m_StartRotation;
    Vector3 m_EndRotation;
    Vector3 m_StartPosition;
    Vector3 m_EndPosition;
    float m_TransitionDuration = 0.0f;
    float m_TransitionTimeLeft = 0.0f;
    float m_Aspect = 1.0f;
};

} // namespace Kestrel
