// The ant the player steers: arrows move it, holding C turns it, X throws. It is
// protected from death for its first two seconds; its death makes the world put
// the next ant on the field. World space; the controller is its own member.
#pragma once

#include "app/controller.h"
#include "game/soldierant.h"

class PlayerAnt : public SoldierAnt {
public:
    explicit PlayerAnt(Kestrel::RenderDevice* device);

    void think(float dt) override;
    // Refused while protected.
    bool die() override;

    Controller m_Controller;
    Kestrel::Vector3 m_Direction{0.0001f, 0.0f, -1.0f};
    float m_InvulnerableTime = 2.0f;

private:
    void turnWith(const Kestrel::Vector3& move);
};
