#include "game/soldierant.h"

#include "game/field.h"

#include "engine/bone.h"
#include "game/rock.h"

using Kestrel::Vector3;
using namespace TestSupport;

namespace {

class SoldierAntTest : public FieldTest {
protected:
    float distanceToPlayer(const SoldierAnt* ant) const {
        return distance(ant->getPosition(), player()->getPosition());
    }

    // A soldier 5 units in front of the player that has just started a throw,
    // or null when none started.
    SoldierAnt* thrower() {
        SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 6.0f);
        return stepUntil([&] { return ant->getHeldRock() != nullptr; }, 2000) ? ant : nullptr;
    }

    // The thrower stands still until the launch. The launch frame reads the hand
    // as the last update left it and turns the ant toward the player afterwards,
    // so the start is read the frame before. The rock has its first flying
    // update in the frame of the launch: four units a second toward where the
    // player stood (-z), nearly level (in the hand it only settles).
    void expectLaunchAboveHandOrAnt(SoldierAnt* ant) {
        Rock* rock = ant->getHeldRock();
        Kestrel::Bone* hand = ant->getBone("RockHand");
        const Vector3 where = ant->getPosition();
        const float heading = ant->getRotationY();
        Vector3 start;
        for (int frame = 0; ant->getHeldRock() == rock && frame < 400; ++frame) {
            ASSERT_TRUE(near(ant->getPosition(), where));
            ASSERT_EQ(ant->getRotationY(), heading);
            start = hand ? hand->getMatrix().getTranslation() : ant->getPosition();
            step(1);
        }
        ASSERT_TRUE(rock->m_Thrown);
        EXPECT_FALSE(rock->m_FromPlayer);
        EXPECT_TRUE(near(rock->m_Velocity, Vector3(0.0f, 0.0f, -4.0f), 0.1f));
        start += Vector3(0.0f, 0.2f, -4.0f * FRAME);
        EXPECT_TRUE(near(rock->getPosition(), start, 3e-3f));
        EXPECT_EQ(rock->getParent(), world()->m_PlayerNode);
    }
};

// From afar it walks at two units a second facing the player (heading 0), and
// stops at four; throws may interrupt the approach but never bring it closer.
TEST_F(SoldierAntTest, WalksTowardThePlayerAndStopsAtFourUnits) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 15.0f);
    step(1);
    const Vector3 start = ant->getPosition();
    step(50);
    const Vector3 moved = ant->getPosition() - start;
    EXPECT_TRUE(near(moved, Vector3(0.0f, 0.0f, -50 * 2.0f * FRAME), 0.02f));
    EXPECT_EQ(ant->getCurrentAnimation(), animation("antwalk.ksta"));
    EXPECT_TRUE(near(ant->getFacing(), Vector3(0, 0, -1), 1e-3f));
    ASSERT_TRUE(stepUntil([&] { return distanceToPlayer(ant) <= 4.0f; }, 1500));
    step(120);
    EXPECT_GT(distanceToPlayer(ant), 4.0f - 2.0f * FRAME - 1e-3f);
    EXPECT_LE(distanceToPlayer(ant), 4.0f);
    if (ant->getHeldRock() == nullptr && ant->getCurrentAnimation() != animation("antthrow.ksta")) {
        EXPECT_EQ(ant->getCurrentAnimation(), animation("antidle.ksta"));
    }
}

// Held at 8.5 units for 15 seconds, about 15 throws would start within reach.
// Killed with the rock in its hand, it keeps it there.
TEST_F(SoldierAntTest, ThrowsOnlyWithinEightUnitsAndNotOnceDead) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 10.0f);
    for (int frame = 0; frame < 1000; ++frame) {
        ant->setPosition(8.0f, 0.0f, player()->getPosition().z + 8.5f);
        step(1);
        ASSERT_EQ(ant->getHeldRock(), nullptr) << "frame " << frame;
    }
    ant->setPosition(8.0f, 0.0f, player()->getPosition().z + 7.0f);
    ASSERT_TRUE(stepUntil([&] { return ant->getHeldRock() != nullptr; }, 1000));
    Rock* rock = ant->getHeldRock();
    ASSERT_TRUE(ant->die());
    step(100);
    EXPECT_EQ(ant->getHeldRock(), rock);
    EXPECT_TRUE(flyingRocks().empty());
}

// The player walks aside; the thrower does not follow until the launch, which
// starts above the hand along the facing at four units a second.
TEST_F(SoldierAntTest, StandsStillWithTheRockInItsHandThenLaunches) {
    SoldierAnt* ant = thrower();
    ASSERT_NE(ant, nullptr);
    ASSERT_NE(ant->getBone("RockHand"), nullptr);
    EXPECT_EQ(ant->getCurrentAnimation(), animation("antthrow.ksta"));
    press(BUTTON_LEFT);
    expectLaunchAboveHandOrAnt(ant);
}

TEST_F(SoldierAntTest, WithoutAHandTheRockRidesOnTheAntAndLeavesFromAboveIt) {
    useBonelessMesh("ant.kst");
    SoldierAnt* ant = thrower();
    ASSERT_NE(ant, nullptr);
    ASSERT_EQ(ant->getBone("RockHand"), nullptr);
    EXPECT_EQ(ant->getHeldRock()->getParent(), ant);
    expectLaunchAboveHandOrAnt(ant);
}

} // namespace
