#include "app/controller.h"

#include <gtest/gtest.h>

namespace {

TEST(ControllerTest, PressAndReleaseWithinOneLatchShowBothAndHoldNothing) {
    Controller c;
    c.m_PendingPressed |= BUTTON_X;
    c.m_PendingReleased |= BUTTON_X;
    c.latch();
    EXPECT_TRUE(c.wasPressed(BUTTON_X));
    EXPECT_TRUE(c.wasReleased(BUTTON_X));
    EXPECT_FALSE(c.isHeld(BUTTON_X));
    EXPECT_EQ(c.m_PendingPressed, 0u);
    EXPECT_EQ(c.m_PendingReleased, 0u);
}

TEST(ControllerTest, KeyHeldAcrossLatchesIsPressedOnceAndReleasedOnce) {
    Controller c;
    c.m_PendingPressed |= BUTTON_UP | BUTTON_C;
    c.latch();
    EXPECT_TRUE(c.wasPressed(BUTTON_UP));
    EXPECT_TRUE(c.isHeld(BUTTON_UP));

    for (int frame = 0; frame < 3; ++frame) {
        c.latch();
        EXPECT_FALSE(c.wasPressed(BUTTON_UP));
        EXPECT_FALSE(c.wasReleased(BUTTON_UP));
        EXPECT_TRUE(c.isHeld(BUTTON_UP));
    }

    c.m_PendingReleased |= BUTTON_UP;
    c.latch();
    EXPECT_TRUE(c.wasReleased(BUTTON_UP));
    EXPECT_FALSE(c.isHeld(BUTTON_UP));
    EXPECT_TRUE(c.isHeld(BUTTON_C)) << "an unrelated release keeps other bits";
    EXPECT_TRUE(c.isHeld(BUTTON_UP | BUTTON_C)) << "any of the bits";
    c.latch();
    EXPECT_FALSE(c.wasReleased(BUTTON_UP));
}

} // namespace
