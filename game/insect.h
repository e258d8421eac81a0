// Base of the four kinds of ant: keeps the ant on the ground, carries out its
// death (animation, kill count, sinking, removal) and declares the behaviour hook.
// An insect is owned by the scene node it hangs on. World space; headings in
// degrees about y (docs/architecture.md).
#pragma once

#include "engine/entity.h"

namespace Kestrel {
class RenderDevice;
}

// Every ant kind is shown at this uniform scale.
const float ANT_SCALE = 0.5f;
// Blend time of every switch between two of an ant's animations, in seconds.
const float SWITCH_BLEND_TIME = 0.2f;

class Insect : public Kestrel::Entity {
public:
    explicit Insect(Kestrel::Mesh* mesh) : Kestrel::Entity(mesh) {}
    // An ant kind: its mesh from the resource cache, the shared scale and heading.
    Insect(const char* meshFile, Kestrel::RenderDevice* device);

    // Behaviour first, then the entity update.
    void update(float dt) override;
    // Ground following and the dead state; true while alive.
    virtual bool updateBehaviour(float dt);
    // True if the insect was alive and is now dead.
    virtual bool die();
    virtual Kestrel::Animation* getDeathAnimation() = 0;

    bool isDead() const { return m_Dead; }
    // The unit vector the ant faces for its heading.
    Kestrel::Vector3 getFacing() const;
    // Turns to face direction d.
    void faceDirection(const Kestrel::Vector3& d);

protected:
    // The walk-up of soldiers and fire ants: take the chase step while farther
    // than 4 units (walking), else stand (idle); face the step either way.
    void walkUp(const Kestrel::Vector3& step, float distance);
    // Plays an animation, not mirrored. An ant whose mesh could not be loaded
    // has no pose and plays nothing (and so is never mid-animation).
    void play(Kestrel::Animation* animation, float blendTime, bool loop);
    // Plays animation (blend SWITCH_BLEND_TIME) unless it is already the current one.
    void switchAnimation(Kestrel::Animation* animation, bool loop);
    // The step of length speed * dt toward the player ant; distance receives the
    // distance. A zero step when both stand on the same point.
    Kestrel::Vector3 chaseStep(float speed, float dt, float& distance) const;
    // True once the current non-looping animation has reached its end, or when
    // there is no animation at all.
    bool currentAnimationFinished() const;

    // Speed of the walk-up, in units per second.
    static constexpr float WALK_UP_SPEED = 2.0f;

    // Kept for the rocks a soldier throws; not owned.
    Kestrel::RenderDevice* m_RenderDevice = nullptr;
    bool m_Dead = false;
};

// The ant mesh from the resource cache (null when it cannot be loaded).
Kestrel::Mesh* loadAntMesh(const char* file, Kestrel::RenderDevice* device);
// An animation read on first use and kept for the run (null when it cannot be
// loaded); the objects belong to the resource cache.
Kestrel::Animation* keptAnimation(const char* file);
// A random fraction in [0, 1] from the game's sequence.
float randomFraction();

const float DEGREES_PER_RADIAN = 57.29578f;
const float RADIANS_PER_DEGREE = 0.017453292f;
