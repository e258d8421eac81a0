// Base of the four kinds of ant: keeps the ant on the ground, carries out its
// death (animation, kill count, sinking, removal) and declares the behaviour hook.
// An insect is owned by the scene node it hangs on. Heading and facing: see
// docs/architecture.md.
#pragma once

#include "engine/entity.h"

class Insect : public Kestrel::Entity {
public:
    explicit Insect(Kestrel::Mesh* mesh) : Kestrel::Entity(mesh) {}

    // Behaviour first, then the entity update.
    void update(float dt) override;
    // Ground following and the dead state; true while alive.
    virtual bool updateBehaviour(float dt);
    // True if the insect was alive and is now dead.
    virtual bool die();
    virtual Kestrel::Animation* getDeathAnimation() = 0;

    bool isDead() const { return m_Dead; }

protected:
    // Plays animation (blend 0.2 s) unless it is already the current one.
    void switchAnimation(Kestrel::Animation* animation, bool loop);
    // Turns to face direction d (heading in degrees about y).
    void faceDirection(const Kestrel::Vector3& d);
    // The step of length speed * dt toward the player ant; distance receives the distance.
    Kestrel::Vector3 chaseStep(float speed, float dt, float& distance) const;

    bool m_Dead = false;
};

// The ant construction sequence shared by every kind: mesh from the cache.
Kestrel::Mesh* loadAntMesh(const char* file, Kestrel::RenderDevice* device);
