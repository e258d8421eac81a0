#include "game/soldierant.h"

#include "engine/bone.h"
#include "game/playerant.h"
#include "game/rock.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using Kestrel::Vector3;
using TestSupport::animation;
using TestSupport::FRAME;
using TestSupport::near;

namespace {

class SoldierAntTest : public TestSupport::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        quietEnemies();
        protectPlayer();
        player()->setPosition(8.0f, 0.0f, 1.0f);
    }

    float distanceToPlayer(const SoldierAnt* ant) const {
        return distance(ant->getPosition(), player()->getPosition());
    }

    // Steps until the soldier holds a rock (a throw started).
    bool waitForThrow(SoldierAnt* ant, int maxFrames) {
        return stepUntil([&] { return ant->getHeldRock() != nullptr; }, maxFrames);
    }

    // Steps through the launch of the held rock. The launch frame reads the hand
    // as the last update left it and turns the ant toward the player afterwards,
    // so all is read the frame before it.
    struct BeforeLaunch {
        Vector3 hand, rockVelocity, facing, position;
    };
    BeforeLaunch stepThroughLaunch(SoldierAnt* ant) {
        Rock* rock = ant->getHeldRock();
        Kestrel::Bone* hand = ant->getBone("RockHand");
        BeforeLaunch seen;
        while (ant->getHeldRock() == rock) {
            seen = {hand ? hand->getMatrix().getTranslation() : Vector3(), rock->m_Velocity,
                    ant->getFacing(), ant->getPosition()};
            step(1);
        }
        return seen;
    }
};

TEST_F(SoldierAntTest, WalksTowardThePlayerAtTwoUnitsPerSecondFromAfar) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 15.0f);
    step(1);
    const Vector3 start = ant->getPosition();
    step(50);
    const Vector3 moved = ant->getPosition() - start;
    EXPECT_TRUE(near(std::sqrt(moved.x * moved.x + moved.z * moved.z), 50 * 2.0f * FRAME, 0.02f));
    EXPECT_LT(moved.z, 0.0f);
    EXPECT_EQ(ant->getCurrentAnimation(), animation("antwalk.ksta"));
    // Facing the player, who is toward -z: heading 0.
    EXPECT_TRUE(near(ant->getFacing(), Vector3(0, 0, -1), 1e-3f));
}

TEST_F(SoldierAntTest, StopsAtFourUnitsAndWaits) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 7.0f);
    // Throws may interrupt the approach but never move it closer than 4.
    ASSERT_TRUE(stepUntil([&] { return distanceToPlayer(ant) <= 4.0f; }, 400));
    step(120);
    EXPECT_GT(distanceToPlayer(ant), 4.0f - 2.0f * FRAME - 1e-3f);
    EXPECT_LE(distanceToPlayer(ant), 4.0f);
    if (ant->getHeldRock() == nullptr && ant->getCurrentAnimation() != animation("antthrow.ksta")) {
        EXPECT_EQ(ant->getCurrentAnimation(), animation("antidle.ksta"));
    }
}

TEST_F(SoldierAntTest, NeverThrowsFromEightUnitsOrMore) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 10.0f);
    // Held at 8.5 units for 15 seconds: about 15 throws would start within reach.
    for (int frame = 0; frame < 1000; ++frame) {
        ant->setPosition(8.0f, 0.0f, player()->getPosition().z + 8.5f);
        step(1);
        ASSERT_EQ(ant->getHeldRock(), nullptr) << "frame " << frame;
    }
    // Within reach a throw comes soon (about one per second).
    ant->setPosition(8.0f, 0.0f, player()->getPosition().z + 7.0f);
    EXPECT_TRUE(waitForThrow(ant, 1000));
}

TEST_F(SoldierAntTest, StandsStillWithTheRockInItsHand) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 6.0f);
    ASSERT_TRUE(waitForThrow(ant, 2000));
    EXPECT_EQ(ant->getCurrentAnimation(), animation("antthrow.ksta"));
    const Vector3 where = ant->getPosition();
    const float heading = ant->getRotationY();
    // The player walks aside; the thrower does not follow until the launch.
    press(BUTTON_LEFT);
    Rock* held = ant->getHeldRock();
    while (ant->getHeldRock() == held) {
        EXPECT_TRUE(near(ant->getPosition(), where));
        EXPECT_EQ(ant->getRotationY(), heading);
        step(1);
    }
    EXPECT_FALSE(held->m_FromPlayer);
}

TEST_F(SoldierAntTest, LaunchStartsAboveTheHandAlongTheFacingAtFourUnitsPerSecond) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 6.0f);
    ASSERT_NE(ant->getBone("RockHand"), nullptr);
    ASSERT_TRUE(waitForThrow(ant, 2000));
    Rock* rock = ant->getHeldRock();
    const BeforeLaunch seen = stepThroughLaunch(ant);
    ASSERT_TRUE(rock->m_Thrown);
    const Vector3 launched = seen.rockVelocity + seen.facing * 4.0f;
    const Vector3 start = seen.hand + Vector3(0.0f, 0.2f, 0.0f);
    // The rock already had its first flying update in the frame of the launch.
    EXPECT_TRUE(near(rock->getPosition(), start + launched * FRAME, 1e-4f));
    EXPECT_TRUE(near(rock->m_Velocity, launched - Vector3(0, 2 * FRAME, 0), 1e-4f));
    EXPECT_EQ(rock->getParent(), world()->m_PlayerNode);
}

TEST_F(SoldierAntTest, ItsRocksKillThePlayer) {
    player()->m_InvulnerableTime = 0.0f;
    PlayerAnt* target = player();
    addEnemy<SoldierAnt>(8.0f, 4.0f);
    // Thrown from 3 units straight at a player who stands still.
    EXPECT_TRUE(stepUntil([&] { return target->isDead(); }, 3000));
    EXPECT_NE(player(), target);
    EXPECT_EQ(world()->m_Kills, 0);
}

TEST_F(SoldierAntTest, DyingWithARockInHandKeepsItThere) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 6.0f);
    ASSERT_TRUE(waitForThrow(ant, 2000));
    Rock* rock = ant->getHeldRock();
    ASSERT_TRUE(ant->die());
    step(100);
    EXPECT_EQ(ant->getHeldRock(), rock);
    EXPECT_TRUE(flyingRocks().empty());
}

TEST_F(SoldierAntTest, WithoutAHandTheRockRidesOnTheAntAndLeavesFromAboveIt) {
    useBonelessMesh("ant.kst");
    SoldierAnt* ant = addEnemy<SoldierAnt>(8.0f, 6.0f);
    ASSERT_EQ(ant->getBone("RockHand"), nullptr);
    ASSERT_TRUE(waitForThrow(ant, 2000));
    Rock* rock = ant->getHeldRock();
    EXPECT_EQ(rock->getParent(), ant);
    const BeforeLaunch seen = stepThroughLaunch(ant);
    const Vector3 launched = seen.rockVelocity + seen.facing * 4.0f;
    const Vector3 start = seen.position + Vector3(0.0f, 0.2f, 0.0f);
    EXPECT_TRUE(near(rock->getPosition(), start + launched * FRAME, 1e-4f));
    EXPECT_EQ(rock->getParent(), world()->m_PlayerNode);
}

} // namespace
