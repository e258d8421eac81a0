// The enemy that walks up to the player ant, waits within 4 units and throws
// rocks from its "RockHand" bone. Carries the whole throwing mechanism, which the
// player ant inherits. A held rock is a child of the hand bone, not owned here.
#pragma once

#include "game/insect.h"

class Rock;

class SoldierAnt : public Insect {
public:
    explicit SoldierAnt(Kestrel::RenderDevice* device);

    // False while dead or in the middle of a throw.
    bool updateBehaviour(float dt) override;
    Kestrel::Animation* getDeathAnimation() override;
    virtual void think(float dt);
    // Starts a throw; does nothing while a rock is held.
    void throwRock();

    Rock* getHeldRock() const { return m_Rock; }

protected:
    SoldierAnt(const char* meshFile, Kestrel::RenderDevice* device);
    void releaseRock();

    Rock* m_Rock = nullptr;
};
