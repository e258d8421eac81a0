// The fire ant's breath: a flame particle flies straight ahead in world space,
// grows, gives off smoke every 0.2 s and goes out after 2 s, in the ground, or on
// the player ant, which it kills. Both are owned by the scene's particle manager.
#pragma once

#include "engine/particlemanager.h"

// The cells of "particle.png" the two are drawn from, in texture coordinates;
// the texture's generator paints them there.
const Kestrel::Vector2 FLAME_CELL_MIN(0.0f, 0.0f);
const Kestrel::Vector2 FLAME_CELL_MAX(0.25f, 0.25f);
const Kestrel::Vector2 SMOKE_CELL_MIN(0.75f, 0.0f);
const Kestrel::Vector2 SMOKE_CELL_MAX(1.0f, 0.25f);

class Flame : public Kestrel::Particle {
public:
    class Smoke : public Kestrel::Particle {
    public:
        explicit Smoke(const Kestrel::Vector3& position);
        bool update(float dt) override;
        const Kestrel::Vector2& getTexCoordMin() const override;
        const Kestrel::Vector2& getTexCoordMax() const override;
    };

    Flame(const Kestrel::Vector3& position, const Kestrel::Vector3& direction);
    bool update(float dt) override;
    const Kestrel::Vector2& getTexCoordMin() const override;
    const Kestrel::Vector2& getTexCoordMax() const override;

    Kestrel::Vector3 m_Direction;
    float m_Age = 0.0f;
    float m_SmokeTimer = 0.0f;
};
