#include "game/rock.h"

#include "app/ground.h"
#include "game/playerant.h"
#include "game/soldierant.h"
#include "game/zombieant.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using Kestrel::Vector3;
using TestSupport::FRAME;
using TestSupport::near;

namespace {

class RockTest : public TestSupport::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        quietEnemies();
        player()->setPosition(8.0f, 0.0f, 1.0f);
        step(1);
        player()->m_InvulnerableTime = 0.0f;
    }

    Rock* launch(bool fromPlayer, const Vector3& at, const Vector3& velocity) {
        Rock* rock = new Rock(m_Device, fromPlayer);
        rock->setPosition(at);
        rock->m_Velocity = velocity;
        rock->m_Thrown = true;
        rock->setParent(world()->m_PlayerNode);
        return rock;
    }

    // A rock that lies where it is put: not yet thrown, so it never comes to
    // rest, and with no speed it stays 0.1 above the ground.
    Rock* place(bool fromPlayer, float x, float z) {
        Rock* rock = new Rock(m_Device, fromPlayer);
        rock->setPosition(x, Ground::getHeight(x, z) + 0.1f, z);
        rock->setParent(world()->m_PlayerNode);
        return rock;
    }

    bool attached(Rock* rock) const {
        const std::vector<Rock*> rocks = flyingRocks();
        return std::find(rocks.begin(), rocks.end(), rock) != rocks.end();
    }

    // A soldier within 4 units of the player stands still (apart from rare throws).
    SoldierAnt* standingSoldier(float x, float z) {
        SoldierAnt* ant = addEnemy<SoldierAnt>(x, z);
        step(1);
        return ant;
    }
};

TEST_F(RockTest, BouncesStayingAboveTheGroundThenRestsSinksAndGoes) {
    protectPlayer();
    Rock* rock = launch(true, Vector3(2.0f, 0.8f, 2.0f), Vector3(4.0f, 0.0f, 3.0f));
    int bounces = 0;
    float lastVy = rock->m_Velocity.y;
    int frame = 0;
    for (; frame < 2000 && !rock->m_Resting; ++frame) {
        step(1);
        const Vector3 p = rock->getPosition();
        ASSERT_GE(p.y, Ground::getHeight(p.x, p.z) + 0.1f - 1e-5f) << "frame " << frame;
        if (lastVy < 0.0f && rock->m_Velocity.y > 0.0f)
            ++bounces;
        lastVy = rock->m_Velocity.y;
    }
    ASSERT_TRUE(rock->m_Resting);
    EXPECT_GE(bounces, 2);
    // At rest it falls through the terrain and is removed below -1.
    const float restY = rock->getPosition().y;
    step(30);
    ASSERT_TRUE(attached(rock));
    EXPECT_LT(rock->getPosition().y, restY);
    EXPECT_TRUE(stepUntil([&] { return !attached(rock); }, 200));
}

TEST_F(RockTest, ASteepLandingStopsTheRockAtOnce) {
    protectPlayer();
    Rock* rock = launch(true, Vector3(8.0f, 0.3f, 8.0f), Vector3(0.0f, -3.0f, 0.0f));
    ASSERT_TRUE(stepUntil([&] { return rock->getPosition().y <= 0.1f + 1e-4f; }, 20));
    EXPECT_LT(rock->m_Velocity.length(), 0.05f);
    // Gravity alone gives (2 dt)^2 > 0.001 at 16 ms; still the rock rests.
    EXPECT_TRUE(rock->m_Resting);
    const float y = rock->getPosition().y;
    step(10);
    EXPECT_LT(rock->getPosition().y, y) << "a resting rock sinks";
}

TEST_F(RockTest, AGrazingBounceKeepsMostOfItsSpeed) {
    protectPlayer();
    Rock* rock = launch(true, Vector3(1.0f, 0.11f, 8.5f), Vector3(5.0f, -0.2f, 0.0f));
    step(1);
    EXPECT_GT(rock->m_Velocity.x, 4.5f);
}

TEST_F(RockTest, OutsideTheFieldItLandsOnTheConstantHalfUnit) {
    protectPlayer();
    Rock* rock = launch(true, Vector3(18.0f, 1.5f, 8.0f), Vector3(0.0f, -1.0f, 0.5f));
    for (int frame = 0; frame < 300 && !rock->m_Resting; ++frame) {
        step(1);
        ASSERT_GE(rock->getPosition().y, 0.6f - 1e-5f);
    }
}

TEST_F(RockTest, HitsUseTheFullDistanceAndNeedLessThanFourTenths) {
    // The soldier stands 3 units from the player; the rock lies 0.1 above the
    // ground, so 0.39 sideways is 0.4026 away in three dimensions.
    SoldierAnt* spared = standingSoldier(6.0f, 4.0f);
    place(true, 6.39f, 4.0f);
    SoldierAnt* hit = standingSoldier(10.0f, 4.0f);
    place(true, 10.3f, 4.0f);
    step(1);
    EXPECT_FALSE(spared->isDead());
    EXPECT_TRUE(hit->isDead());
    EXPECT_EQ(world()->m_Kills, 1);
}

TEST_F(RockTest, OnePlayerRockKillsEveryEnemyOnItsPathButEachOnlyOnce) {
    // Both stand within 4 units of the player at (8, 1); the second is already
    // under a rock when the sliding one reaches it.
    SoldierAnt* first = standingSoldier(8.0f, 3.0f);
    SoldierAnt* second = standingSoldier(8.0f, 4.5f);
    launch(true, Vector3(8.0f, 0.1f, 1.5f), Vector3(0.0f, 0.0f, 4.0f));
    place(true, 8.0f, 4.5f);
    step(120);
    EXPECT_TRUE(first->isDead());
    EXPECT_TRUE(second->isDead());
    EXPECT_EQ(world()->m_Kills, 2);
}

TEST_F(RockTest, PlayerRocksSpareThePlayerAndEnemyRocksSpareEnemies) {
    PlayerAnt* me = player();
    SoldierAnt* enemy = standingSoldier(10.0f, 3.0f);
    place(true, me->getPosition().x, me->getPosition().z);
    place(false, 10.0f, 3.0f);
    step(2);
    EXPECT_FALSE(me->isDead());
    EXPECT_FALSE(enemy->isDead());

    place(false, me->getPosition().x, me->getPosition().z);
    step(1);
    EXPECT_TRUE(me->isDead());
    EXPECT_EQ(world()->m_AntsLeft, 8);
    EXPECT_EQ(world()->m_Kills, 0);
}

TEST_F(RockTest, ARestingRockHurtsNoOne) {
    SoldierAnt* enemy = standingSoldier(10.0f, 3.0f);
    Rock* rock = place(true, 10.0f, 3.0f);
    rock->m_Thrown = true;
    rock->m_Resting = true;
    step(1);
    EXPECT_FALSE(enemy->isDead());
}

} // namespace
