#include "game/rock.h"

#include "game/field.h"

#include "app/controller.h"
#include "app/ground.h"
#include "game/soldierant.h"

#include <algorithm>

using Kestrel::Vector3;
using TestSupport::near;

namespace {

class RockTest : public TestSupport::FieldTest {
protected:
    Rock* launch(const Vector3& at, const Vector3& velocity) {
        Rock* rock = place(true, at.x, at.z);
        rock->setPosition(at);
        rock->m_Velocity = velocity;
        rock->m_Thrown = true;
        return rock;
    }

    // Not yet thrown, so it never comes to rest, and with no speed it stays 0.1
    // above the ground.
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
};

// Never below 0.1 over the ground (0.5 outside the field); at rest it falls
// through the terrain and is removed below -1.
TEST_F(RockTest, BouncesStayingAboveTheGroundThenRestsSinksAndGoes) {
    Rock* inside = launch(Vector3(2.0f, 0.8f, 2.0f), Vector3(4.0f, 0.0f, 3.0f));
    Rock* outside = launch(Vector3(18.0f, 1.5f, 8.0f), Vector3(0.0f, -1.0f, 0.5f));
    int bounces = 0;
    float lastVy = inside->m_Velocity.y;
    for (int frame = 0; frame < 2000 && !inside->m_Resting; ++frame) {
        step(1);
        for (Rock* rock : {inside, outside}) {
            // The rock outside may come to rest, sink and go first.
            if (!attached(rock))
                continue;
            const Vector3 p = rock->getPosition();
            if (!rock->m_Resting) {
                ASSERT_GE(p.y, Ground::getHeight(p.x, p.z) + 0.1f - 1e-5f) << frame;
            }
        }
        bounces += lastVy < 0.0f && inside->m_Velocity.y > 0.0f;
        lastVy = inside->m_Velocity.y;
    }
    ASSERT_TRUE(inside->m_Resting);
    EXPECT_GE(bounces, 2);
    const float restY = inside->getPosition().y;
    step(30);
    ASSERT_TRUE(attached(inside));
    EXPECT_LT(inside->getPosition().y, restY);
    EXPECT_TRUE(stepUntil([&] { return !attached(inside); }, 200));
}

// A steep landing stops the rock at once, though gravity alone gives
// (2 dt)^2 > 0.001 at 16 ms; a grazing one keeps most of its speed.
TEST_F(RockTest, BouncesLoseTheSpeedAlongTheNormal) {
    Rock* steep = launch(Vector3(8.0f, 0.3f, 8.0f), Vector3(0.0f, -3.0f, 0.0f));
    Rock* grazing = launch(Vector3(1.0f, 0.11f, 8.5f), Vector3(5.0f, -0.2f, 0.0f));
    // Mirrored to (3, 4) and scaled by 1 - 4/5.
    Rock* angled = launch(Vector3(8.0f, 0.11f, 9.0f), Vector3(3.0f, -4.0f, 0.0f));
    step(1);
    EXPECT_GT(grazing->m_Velocity.x, 4.5f);
    EXPECT_TRUE(near(angled->m_Velocity, Vector3(0.6f, 0.8f, 0.0f), 0.01f));
    ASSERT_TRUE(stepUntil([&] { return steep->getPosition().y <= 0.1f + 1e-4f; }, 20));
    EXPECT_LT(steep->m_Velocity.length(), 0.05f);
    EXPECT_TRUE(steep->m_Resting);
    const float y = steep->getPosition().y;
    step(10);
    EXPECT_LT(steep->getPosition().y, y) << "a resting rock sinks";
}

// Soldiers within 4 units of the player stand. A rock lies 0.1 above the
// ground, so 0.39 sideways is 0.4026 away in three dimensions; a resting rock
// hurts no one, and rocks spare their thrower's side.
TEST_F(RockTest, HitsNeedLessThanFourTenthsAndSpareTheThrowersSide) {
    PlayerAnt* me = player();
    me->m_InvulnerableTime = 0.0f;
    SoldierAnt* spared = addEnemy<SoldierAnt>(6.0f, 4.0f);
    place(true, 6.39f, 4.0f);
    SoldierAnt* hit = addEnemy<SoldierAnt>(10.0f, 4.0f);
    place(true, 10.3f, 4.0f);
    SoldierAnt* underRestingRock = addEnemy<SoldierAnt>(8.0f, 4.0f);
    Rock* resting = place(true, 8.0f, 4.0f);
    resting->m_Thrown = resting->m_Resting = true;
    SoldierAnt* underEnemyRock = addEnemy<SoldierAnt>(10.0f, 3.0f);
    place(false, 10.0f, 3.0f);
    place(true, me->getPosition().x, me->getPosition().z);
    step(2);
    EXPECT_FALSE(spared->isDead());
    EXPECT_TRUE(hit->isDead());
    EXPECT_FALSE(underRestingRock->isDead());
    EXPECT_FALSE(underEnemyRock->isDead());
    EXPECT_FALSE(me->isDead());
    EXPECT_EQ(world()->m_Kills, 1);
    place(false, me->getPosition().x, me->getPosition().z);
    step(1);
    EXPECT_TRUE(me->isDead());
    EXPECT_EQ(world()->m_AntsLeft, 8);
    EXPECT_EQ(world()->m_Kills, 1);
}

// The player's throw flies down the field, drawn where each frame found it (the
// entity update comes before the move), and kills a soldier standing (within
// four units) 3.9 units ahead.
TEST_F(RockTest, AThrownRockFliesAndKillsAnAntDownRange) {
    SoldierAnt* target = addEnemy<SoldierAnt>(8.0f, player()->getPosition().z + 3.9f);
    const Vector3 where = target->getPosition();
    press(BUTTON_X);
    step(1);
    release(BUTTON_X);
    ASSERT_TRUE(stepUntil([&] { return !flyingRocks().empty(); }, 200));
    Rock* rock = flyingRocks()[0];
    const float from = rock->getPosition().z;
    for (int frame = 0; !target->isDead(); ++frame) {
        ASSERT_LT(frame, 200) << "the rock is at " << rock->getPosition().z;
        ASSERT_TRUE(attached(rock));
        const Vector3 before = rock->getPosition();
        step(1);
        ASSERT_TRUE(near(rock->getMatrix().getTranslation(), before, 1e-4f)) << frame;
    }
    EXPECT_GT(rock->getPosition().z - from, 3.0f);
    EXPECT_LT(distance(rock->getPosition(), where), 0.4f);
}

} // namespace
