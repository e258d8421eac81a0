#include "app/controller.h"

#include <gtest/gtest.h>

namespace {

// Pending bits per latch, and what the latch then shows for BUTTON_UP.
TEST(ControllerTest, PressedAndReleasedLastOneLatchHeldUntilReleased) {
    const struct {
        uint32_t pressed, released;
        bool wasPressed, wasReleased, held;
    } frames[] = {{BUTTON_UP | BUTTON_C, 0, true, false, true},
                  {0, 0, false, false, true},
                  {0, BUTTON_UP, false, true, false},
                  {0, 0, false, false, false},
                  {BUTTON_UP, BUTTON_UP, true, true, false}};
    Controller c;
    for (const auto& f : frames) {
        SCOPED_TRACE(&f - frames);
        c.m_PendingPressed |= f.pressed;
        c.m_PendingReleased |= f.released;
        c.latch();
        EXPECT_EQ(c.wasPressed(BUTTON_UP), f.wasPressed);
        EXPECT_EQ(c.wasReleased(BUTTON_UP), f.wasReleased);
        EXPECT_EQ(c.isHeld(BUTTON_UP), f.held);
        EXPECT_TRUE(c.isHeld(BUTTON_C)) << "an unrelated release keeps other bits";
        EXPECT_EQ(c.m_PendingPressed | c.m_PendingReleased, 0u);
    }
}

} // namespace
