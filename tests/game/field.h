// A quiet field for gameplay tests: only the ants a test adds, and a protected
// player at (8, 0, 1) after one frame. Field units, seconds; g_World owns all.
#pragma once

#include "game/playerant.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"

#include <gtest/gtest.h>

namespace TestSupport {

class FieldTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        quietEnemies();
        protectPlayer();
        player()->setPosition(8.0f, 0.0f, 1.0f);
        step(1);
    }
};

} // namespace TestSupport
