#include "game/insect.h"

#include "app/ground.h"
#include "engine/animation.h"
#include "game/playerant.h"
#include "game/soldierant.h"
#include "game/zombieant.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"

#include <gtest/gtest.h>

using Kestrel::Vector3;
using TestSupport::animation;
using TestSupport::near;

namespace {

class InsectTest : public TestSupport::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        quietEnemies();
        protectPlayer();
    }
};

TEST_F(InsectTest, AntsAreHalfSizeAndStartFacingTheNearEdge) {
    ZombieAnt* ant = addEnemy<ZombieAnt>(3.0f, 15.0f);
    EXPECT_TRUE(near(ant->getScale(), Vector3(0.5f, 0.5f, 0.5f)));
    EXPECT_FLOAT_EQ(ant->getRotationY(), -180.0f);
    EXPECT_TRUE(near(ant->getFacing(), Vector3(0.0f, 0.0f, 1.0f)));
}

TEST_F(InsectTest, LivingAntsStandOnTheGround) {
    // A soldier on the hill at (15, 11..15) and one beyond the field's edge.
    SoldierAnt* onHill = addEnemy<SoldierAnt>(15.0f, 12.0f);
    SoldierAnt* outside = addEnemy<SoldierAnt>(17.0f, 12.0f);
    player()->setPosition(15.0f, 0.0f, 10.0f);
    step(1);
    EXPECT_FLOAT_EQ(onHill->getPosition().y, 1.0f);
    EXPECT_FLOAT_EQ(outside->getPosition().y, 0.5f);
    EXPECT_FLOAT_EQ(player()->getPosition().y, Ground::getHeight(15.0f, 10.0f));
}

TEST_F(InsectTest, TheDeadLieStillUntilTheAnimationEndsThenSinkHalfAUnitASecond) {
    SoldierAnt* ant = addEnemy<SoldierAnt>(3.0f, 15.0f);
    step(1);
    ant->die();
    const float y = ant->getPosition().y;
    const float length = animation("antdie.ksta")->getAnimationLength(false);
    // Frames until the death animation's time reaches its length.
    int still = 0;
    while (ant->getCurrentAnimationTime() < length) {
        ASSERT_EQ(ant->getPosition().y, y);
        step(1);
        ++still;
        ASSERT_LT(still, 1000);
    }
    EXPECT_NEAR(still * TestSupport::FRAME, length, 2 * TestSupport::FRAME);
    step(1);
    const float y1 = ant->getPosition().y;
    step(1);
    EXPECT_TRUE(near(y1 - ant->getPosition().y, 0.5f * TestSupport::FRAME));
}

} // namespace
