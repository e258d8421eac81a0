

#include "app/controller.h"
#include "engine/animation.h"
#include "game/field.h"
#include "game/rock.h"

#include <cmath>

using Kestrel::Vector3;
using namespace TestSupport;

namespace {

using PlayerAntTest = FieldTest;

// Three units a second along the axes; Up beats Down and Left beats Right; the
// field's edge (15 is still on it) stops one axis and lets the other move.
TEST_F(PlayerAntTest, ArrowsMoveAlongTheAxesWithinTheField) {
    const float S = 3.0f * FRAME;
    const unsigned ALL = BUTTON_UP | BUTTON_DOWN | BUTTON_LEFT | BUTTON_RIGHT;
    const struct {
        float x, z;
        unsigned keys;
        Vector3 moved;
    } cases[] = {{8.0f, 2.0f, BUTTON_UP, {0, 0, S}},
                 {8.0f, 2.0f, BUTTON_DOWN, {0, 0, -S}},
                 {8.0f, 2.0f, BUTTON_LEFT, {S, 0, 0}},
                 {8.0f, 2.0f, BUTTON_RIGHT, {-S, 0, 0}},
                 {8.0f, 2.0f, ALL, {S, 0, S}},
                 {8.0f, 2.0f, 0, {0, 0, 0}},
                 {14.99f, 5.0f, BUTTON_LEFT | BUTTON_UP, {0, 0, S}},
                 {0.01f, 14.99f, BUTTON_RIGHT | BUTTON_UP, {0, 0, 0}},
                 {15.0f - S, 5.0f, BUTTON_LEFT, {S, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        player()->setPosition(c.x, 0.0f, c.z);
        press(c.keys);
        step(1);
        const Vector3 moved = player()->getPosition() - Vector3(c.x, 0.0f, c.z);
        EXPECT_TRUE(near(Vector3(moved.x, 0.0f, moved.z), c.moved, 1e-5f));
        EXPECT_EQ(player()->getCurrentAnimation(),
                  animation(c.keys ? "antwalk.ksta" : "antidle.ksta"));
        release(c.keys);
        step(1);
    }
}

// Without C the ant strafes. Moving +z with C held turns it to heading 0 (it
// faces -z); the way starts out exactly opposite, so the turn takes a few
// seconds to get going. Moving +x turns it gradually.
TEST_F(PlayerAntTest, OnlyHoldingCTurnsTheAntsBackTowardTheWayItMoves) {
    const float heading0 = player()->getRotationY();
    press(BUTTON_LEFT | BUTTON_UP);
    step(40);
    EXPECT_FLOAT_EQ(player()->getRotationY(), heading0);
    release(BUTTON_LEFT);
    press(BUTTON_C);
    step(400);
    const float heading = std::fmod(player()->getRotationY() + 720.0f, 360.0f);
    EXPECT_TRUE(near(std::min(heading, 360.0f - heading), 0.0f, 0.5f));
    EXPECT_TRUE(near(player()->getFacing(), Vector3(0, 0, -1), 1e-2f));
    release(BUTTON_UP);
    press(BUTTON_LEFT);
    step(3);
    const Vector3 partly = player()->getFacing();
    EXPECT_LT(partly.x, -0.05f);
    EXPECT_GT(partly.x, -0.7f);
    step(120);
    EXPECT_TRUE(near(player()->getFacing(), Vector3(-1, 0, 0), 1e-2f));
}

// Holding X does not repeat the throw. The ant stands until the launch, whose
// frame latches the keys pressed meanwhile; it faces +z, and so does the rock.
TEST_F(PlayerAntTest, EachPressOfXThrowsOneRockAndTheAntStandsUntilTheLaunch) {
    press(BUTTON_X);
    step(1);
    ASSERT_NE(player()->getHeldRock(), nullptr);
    EXPECT_TRUE(player()->getHeldRock()->m_FromPlayer);
    const Vector3 where = player()->getPosition();
    press(BUTTON_UP);
    step(3);
    EXPECT_TRUE(near(player()->getPosition(), where));
    ASSERT_TRUE(stepUntil([&] { return player()->getHeldRock() == nullptr; }, 200));
    EXPECT_GT(player()->getPosition().z, where.z);
    ASSERT_EQ(flyingRocks().size(), 1u);
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

// A new ant is protected for two seconds of its own frames; the player's own
// death is no kill, and the keys go to the next ant.
TEST_F(PlayerAntTest, TwoSecondsOfProtectionThenAHitKills) {
    player()->m_InvulnerableTime = 0.0f;
    PlayerAnt* first = player();
    ASSERT_TRUE(first->die());
    EXPECT_TRUE(first->isDead());
    EXPECT_EQ(world()->m_Kills, 0);
    EXPECT_EQ(world()->m_AntsLeft, 8);
    EXPECT_FALSE(first->die()) << "a second hit changes nothing";
    EXPECT_EQ(world()->m_AntsLeft, 8);
    PlayerAnt* second = player();
    ASSERT_NE(second, first);
    const Vector3 start = second->getPosition();
    press(BUTTON_UP);
    step(121);
    EXPECT_GT(second->getPosition().z, start.z + 5.0f);
    EXPECT_FALSE(second->die());
    step(5);
    EXPECT_TRUE(second->die());
}

} // namespace
