#include "game/insect.h"

#include "game/field.h"

#include "app/ground.h"
#include "engine/animation.h"
#include "game/soldierant.h"

using Kestrel::Vector3;
using namespace TestSupport;

namespace {

using InsectTest = FieldTest;

// Half size, facing the near edge, standing on the ground: on the hill at
// (15, 11..15) and beyond the field's edge.
TEST_F(InsectTest, LivingAntsStandOnTheGroundFacingTheNearEdge) {
    SoldierAnt* onHill = addEnemy<SoldierAnt>(15.0f, 12.0f);
    SoldierAnt* outside = addEnemy<SoldierAnt>(17.0f, 12.0f);
    EXPECT_TRUE(near(onHill->getScale(), Vector3(0.5f, 0.5f, 0.5f)));
    EXPECT_FLOAT_EQ(onHill->getRotationY(), -180.0f);
    EXPECT_TRUE(near(onHill->getFacing(), Vector3(0.0f, 0.0f, 1.0f)));
    player()->setPosition(15.0f, 0.0f, 10.0f);
    step(1);
    EXPECT_FLOAT_EQ(onHill->getPosition().y, 1.0f);
    EXPECT_FLOAT_EQ(outside->getPosition().y, 0.5f);
    EXPECT_FLOAT_EQ(player()->getPosition().y, Ground::getHeight(15.0f, 10.0f));
}

// Still until the death animation's time reaches its length, then half a unit a
// second down, counted as a kill and removed only once below -1.
TEST_F(InsectTest, TheDeadLieStillThenSinkAndLeaveTheField) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(3.0f, 15.0f);
    step(1);
    ant->die();
    const float y = ant->getPosition().y;
    const float length = animation("antdie.ksta")->getAnimationLength(false);
    int still = 0;
    for (; ant->getCurrentAnimationTime() < length && still < 1000; ++still) {
        ASSERT_EQ(ant->getPosition().y, y);
        step(1);
    }
    EXPECT_NEAR(still * FRAME, length, 2 * FRAME);
    step(1);
    const float y1 = ant->getPosition().y;
    step(1);
    EXPECT_TRUE(near(y1 - ant->getPosition().y, 0.5f * FRAME));
    ASSERT_TRUE(stepUntil([&] { return ant->getPosition().y < -0.9f; }, 600));
    EXPECT_EQ(enemies().size(), 1u);
    ASSERT_TRUE(stepUntil([&] { return enemies().empty(); }, 30));
    EXPECT_EQ(world()->getHudText(), "Ants: 9/10\nKills: 1");
}

} // namespace
