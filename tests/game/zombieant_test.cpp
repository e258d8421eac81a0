#include "game/zombieant.h"

#include "game/field.h"

using Kestrel::Vector3;
using namespace TestSupport;

namespace {

class ZombieAntTest : public FieldTest {
protected:
    // Distance run toward the player in the given frames.
    float run(const ZombieAnt* zombie, int frames) {
        const float before = distance(zombie->getPosition(), player()->getPosition());
        step(frames);
        return before - distance(zombie->getPosition(), player()->getPosition());
    }
};

// Four units a second; a dead zombie chases no one.
TEST_F(ZombieAntTest, RunsAtThePlayerUntilItDies) {
    ZombieAnt* zombie = addEnemy<ZombieAnt>(8.0f, 14.0f);
    step(1);
    EXPECT_TRUE(near(run(zombie, 50), 50 * 4.0f * FRAME, 0.01f));
    EXPECT_EQ(zombie->getCurrentAnimation(), animation("antwalk.ksta"));
    EXPECT_TRUE(near(zombie->getFacing(), Vector3(0, 0, -1), 1e-3f));
    EXPECT_FALSE(zombie->isEating());
    // The run loops: after two seconds its clock still moves.
    step(60);
    const float time = zombie->getCurrentAnimationTime();
    step(1);
    EXPECT_NE(zombie->getCurrentAnimationTime(), time);
    ASSERT_TRUE(zombie->die());
    EXPECT_FALSE(zombie->die());
    EXPECT_EQ(world()->m_Kills, 1);
    EXPECT_EQ(run(zombie, 20), 0.0f);
}

// 0.35 away: one more step of 0.064 brings it to 0.286, then it bites. It
// stands while it eats, also in the frame the meal ends, then hunts the next ant.
TEST_F(ZombieAntTest, BitesOnlyBelowThreeTenthsThenHuntsTheNextAnt) {
    player()->m_InvulnerableTime = 0.0f;
    ZombieAnt* zombie = addEnemy<ZombieAnt>(8.0f, 1.35f);
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
    player()->setPosition(2.0f, 0.0f, 9.0f);
    protectPlayer();
    const Vector3 where = zombie->getPosition();
    ASSERT_TRUE(stepUntil(
        [&] {
            EXPECT_TRUE(near(zombie->getPosition(), where));
            return !zombie->isEating();
        },
        300));
    step(2);
    EXPECT_TRUE(near(run(zombie, 20), 20 * 4.0f * FRAME, 0.01f));
}

} // namespace
