#include "game/playerant.h"

#include "app/controller.h"
#include "engine/animation.h"
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

class PlayerAntTest : public TestSupport::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        quietEnemies();
        player()->setPosition(8.0f, 0.0f, 2.0f);
        step(1);
    }

    // Position change over n frames with the given keys held.
    Vector3 moveWith(unsigned keys, int frames) {
        press(keys);
        const Vector3 start = player()->getPosition();
        step(frames);
        release(keys);
        step(1);
        return player()->getPosition() - start;
    }
};

TEST_F(PlayerAntTest, ArrowsMoveThreeUnitsPerSecondAlongTheAxesWithPriorities) {
    const float oneSecond = 62 * 3.0f * FRAME;
    EXPECT_TRUE(near(moveWith(BUTTON_UP, 62), Vector3(0, 0, oneSecond), 1e-3f));
    EXPECT_TRUE(near(moveWith(BUTTON_DOWN, 62), Vector3(0, 0, -oneSecond), 1e-3f));
    EXPECT_TRUE(near(moveWith(BUTTON_LEFT, 62), Vector3(oneSecond, 0, 0), 1e-3f));
    EXPECT_TRUE(near(moveWith(BUTTON_RIGHT, 62), Vector3(-oneSecond, 0, 0), 1e-3f));
    // Up beats Down and Left beats Right.
    const Vector3 all = moveWith(BUTTON_UP | BUTTON_DOWN | BUTTON_LEFT | BUTTON_RIGHT, 62);
    EXPECT_TRUE(near(all, Vector3(oneSecond, 0, oneSecond), 1e-3f));
}

TEST_F(PlayerAntTest, WalksWhileMovingAndIdlesOtherwise) {
    press(BUTTON_UP);
    step(20);
    EXPECT_EQ(player()->getCurrentAnimation(), animation("antwalk.ksta"));
    release(BUTTON_UP);
    step(20);
    EXPECT_EQ(player()->getCurrentAnimation(), animation("antidle.ksta"));
}

TEST_F(PlayerAntTest, TheFieldEdgeStopsOneAxisAndLetsTheOtherMove) {
    player()->setPosition(14.99f, 0.0f, 5.0f);
    press(BUTTON_LEFT | BUTTON_UP);
    step(1);
    // x may not pass 15, so it stays; z goes on.
    EXPECT_FLOAT_EQ(player()->getPosition().x, 14.99f);
    EXPECT_TRUE(near(player()->getPosition().z, 5.0f + 3.0f * FRAME));
    release(BUTTON_LEFT | BUTTON_UP);

    player()->setPosition(0.01f, 0.0f, 14.99f);
    press(BUTTON_RIGHT | BUTTON_UP);
    step(1);
    EXPECT_FLOAT_EQ(player()->getPosition().z, 14.99f);
    EXPECT_FLOAT_EQ(player()->getPosition().x, 0.01f);
    release(BUTTON_RIGHT | BUTTON_UP);

    // Exactly 15 is still on the field.
    player()->setPosition(15.0f - 3.0f * FRAME, 0.0f, 5.0f);
    press(BUTTON_LEFT);
    step(1);
    EXPECT_TRUE(near(player()->getPosition().x, 15.0f));
}

TEST_F(PlayerAntTest, OnlyHoldingCTurnsTheAntsBackTowardTheWayItMoves) {
    protectPlayer();
    const float heading0 = player()->getRotationY();
    moveWith(BUTTON_LEFT | BUTTON_UP, 40);
    EXPECT_FLOAT_EQ(player()->getRotationY(), heading0) << "without C the ant strafes";

    // Moving +z with C held turns the ant to heading 0: it faces -z. The way
    // starts out exactly opposite, so the turn takes a few seconds to get going.
    moveWith(BUTTON_C | BUTTON_UP, 400);
    const float heading = std::fmod(player()->getRotationY() + 720.0f, 360.0f);
    EXPECT_TRUE(near(std::min(heading, 360.0f - heading), 0.0f, 0.5f));
    EXPECT_TRUE(near(player()->getFacing(), Vector3(0, 0, -1), 1e-2f));

    // Moving +x turns it gradually: a few frames are not enough for a quarter turn.
    press(BUTTON_C | BUTTON_LEFT);
    step(3);
    const Vector3 partly = player()->getFacing();
    EXPECT_LT(partly.x, -0.05f);
    EXPECT_GT(partly.x, -0.7f);
    step(120);
    EXPECT_TRUE(near(player()->getFacing(), Vector3(-1, 0, 0), 1e-2f));
}

TEST_F(PlayerAntTest, EachPressOfXThrowsOneRock) {
    protectPlayer();
    press(BUTTON_X);
    step(1);
    ASSERT_NE(player()->getHeldRock(), nullptr);
    EXPECT_TRUE(player()->getHeldRock()->m_FromPlayer);
    // Holding X does not repeat the throw.
    ASSERT_TRUE(stepUntil([&] { return player()->getHeldRock() == nullptr; }, 200));
    ASSERT_EQ(flyingRocks().size(), 1u);
    // The ant starts facing +z, and so does the rock.
    EXPECT_GT(flyingRocks()[0]->m_Velocity.z, 3.5f);
    EXPECT_LT(std::fabs(flyingRocks()[0]->m_Velocity.x), 0.5f);
    step(100);
    EXPECT_EQ(player()->getHeldRock(), nullptr);
    EXPECT_EQ(flyingRocks().size(), 1u);

    release(BUTTON_X);
    step(1);
    press(BUTTON_X);
    step(1);
    EXPECT_NE(player()->getHeldRock(), nullptr);
}

TEST_F(PlayerAntTest, NothingMovesDuringAThrowAndKeysWaitForTheLaunch) {
    protectPlayer();
    press(BUTTON_X);
    step(1);
    const Vector3 where = player()->getPosition();
    release(BUTTON_X);
    press(BUTTON_UP);
    step(3);
    EXPECT_TRUE(near(player()->getPosition(), where)) << "no steering while the arm swings";
    press(BUTTON_X);
    // The frame of the launch latches Up and the second X: the ant steps (the
    // walk animation takes over) and starts the next throw, whose animation
    // therefore plays again in full before the second rock leaves.
    ASSERT_TRUE(stepUntil([&] { return !flyingRocks().empty(); }, 200));
    EXPECT_EQ(flyingRocks().size(), 1u);
    EXPECT_NE(player()->getHeldRock(), nullptr);
    EXPECT_GT(player()->getPosition().z, where.z) << "Up was latched with the launch";
    EXPECT_EQ(player()->getCurrentAnimation(), animation("antthrow.ksta"));
    const float throwLength = animation("antthrow.ksta")->getAnimationLength(false);
    step(static_cast<int>(throwLength / FRAME) - 2);
    EXPECT_EQ(flyingRocks().size(), 1u);
    EXPECT_TRUE(stepUntil([&] { return flyingRocks().size() == 2u; }, 10));
}

TEST_F(PlayerAntTest, TwoSecondsOfProtectionThenAHitKills) {
    PlayerAnt* first = player();
    // Protection counted from the ant's own frames (one was stepped in SetUp).
    step(120);
    EXPECT_FALSE(first->die());
    EXPECT_FALSE(first->isDead());
    EXPECT_EQ(player(), first);
    step(5);
    EXPECT_TRUE(first->die());
    EXPECT_TRUE(first->isDead());
    EXPECT_NE(player(), first);
    EXPECT_EQ(world()->m_Kills, 0) << "the player's own death is no kill";
    EXPECT_EQ(world()->m_AntsLeft, 8);
    EXPECT_FALSE(first->die()) << "a second hit changes nothing";
    EXPECT_EQ(world()->m_AntsLeft, 8);
}

TEST_F(PlayerAntTest, KeysGoToTheNewAntAfterADeath) {
    player()->m_InvulnerableTime = 0.0f;
    PlayerAnt* first = player();
    ASSERT_TRUE(first->die());
    const Vector3 start = player()->getPosition();
    press(BUTTON_UP);
    step(10);
    EXPECT_GT(player()->getPosition().z, start.z + 0.4f);
}

} // namespace
