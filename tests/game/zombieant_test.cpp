#include "game/zombieant.h"

#include "game/playerant.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using Kestrel::Vector3;
using TestSupport::animation;
using TestSupport::FRAME;
using TestSupport::near;

namespace {

class ZombieAntTest : public TestSupport::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        quietEnemies();
        player()->setPosition(8.0f, 0.0f, 2.0f);
        step(1);
    }

    float gap(const ZombieAnt* zombie) const {
        return distance(zombie->getPosition(), player()->getPosition());
    }
};

TEST_F(ZombieAntTest, RunsAtThePlayerAtFourUnitsPerSecond) {
    ZombieAnt* zombie = addEnemy<ZombieAnt>(8.0f, 14.0f);
    step(1);
    const float start = gap(zombie);
    step(50);
    EXPECT_TRUE(near(start - gap(zombie), 50 * 4.0f * FRAME, 0.01f));
    EXPECT_EQ(zombie->getCurrentAnimation(), animation("antwalk.ksta"));
    EXPECT_TRUE(near(zombie->getFacing(), Vector3(0, 0, -1), 1e-3f));
    EXPECT_FALSE(zombie->isEating());
}

TEST_F(ZombieAntTest, BitesOnlyBelowThreeTenths) {
    player()->m_InvulnerableTime = 0.0f;
    // 0.35 away: one more step of 0.064 brings it to 0.286, then it bites.
    ZombieAnt* zombie = addEnemy<ZombieAnt>(8.0f, 2.35f);
    PlayerAnt* victim = player();
    step(1);
    EXPECT_FALSE(zombie->isEating());
    EXPECT_FALSE(victim->isDead());
    step(1);
    EXPECT_TRUE(zombie->isEating());
    EXPECT_EQ(zombie->getCurrentAnimation(), animation("zombieanteat.ksta"));
    EXPECT_TRUE(victim->isDead());
    EXPECT_EQ(world()->m_AntsLeft, 8);
    EXPECT_EQ(world()->m_Kills, 0);
}

TEST_F(ZombieAntTest, AProtectedPlayerIsBittenWithoutEffect) {
    protectPlayer();
    ZombieAnt* zombie = addEnemy<ZombieAnt>(8.0f, 2.1f);
    step(1);
    ASSERT_TRUE(zombie->isEating());
    const Vector3 where = zombie->getPosition();
    // The zombie stands while it eats, then bites again and again.
    int bites = 0;
    bool wasEating = true;
    for (int frame = 0; frame < 400; ++frame) {
        step(1);
        EXPECT_TRUE(near(zombie->getPosition(), where));
        if (zombie->isEating() && !wasEating)
            ++bites;
        wasEating = zombie->isEating();
    }
    EXPECT_GE(bites, 2);
    EXPECT_FALSE(player()->isDead());
    EXPECT_EQ(world()->m_AntsLeft, 9);
}

TEST_F(ZombieAntTest, AfterAKillItHuntsTheNextAnt) {
    player()->m_InvulnerableTime = 0.0f;
    ZombieAnt* zombie = addEnemy<ZombieAnt>(8.0f, 2.1f);
    PlayerAnt* victim = player();
    step(1);
    ASSERT_TRUE(victim->isDead());
    PlayerAnt* next = player();
    next->setPosition(2.0f, 0.0f, 9.0f);
    next->m_InvulnerableTime = 1e9f;
    ASSERT_TRUE(stepUntil([&] { return !zombie->isEating(); }, 300));
    step(2);
    const float before = distance(zombie->getPosition(), next->getPosition());
    step(20);
    EXPECT_TRUE(near(before - distance(zombie->getPosition(), next->getPosition()),
                     20 * 4.0f * FRAME, 0.01f));
}

TEST_F(ZombieAntTest, DiesOnceAndThenChasesNoOne) {
    protectPlayer();
    ZombieAnt* zombie = addEnemy<ZombieAnt>(8.0f, 10.0f);
    step(20);
    EXPECT_FALSE(zombie->isDead());
    ASSERT_TRUE(zombie->die());
    EXPECT_FALSE(zombie->die());
    EXPECT_EQ(world()->m_Kills, 1);
    const Vector3 where = zombie->getPosition();
    step(20);
    EXPECT_TRUE(near(zombie->getPosition(), where)) << "a dead zombie chases no one";
}

} // namespace
