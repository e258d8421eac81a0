#include "app/application.h"

#include "app/controller.h"
#include "support/float_compare.h"

#include <gtest/gtest.h>

namespace {

using TestSupport::near;

SDL_Event keyEvent(Uint8 type, SDLKey key) {
    SDL_Event event = {};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    return event;
}

SDL_Event keyDown(SDLKey key) {
    return keyEvent(SDL_KEYDOWN, key);
}
SDL_Event keyUp(SDLKey key) {
    return keyEvent(SDL_KEYUP, key);
}

// A 16 ms period: a short frame sleeps the rest, a long one carries its overrun
// into the next step, up to the longest step.
TEST(FrameTimingTest, SleepOrCarryAndTheNextStep) {
    const struct {
        uint32_t elapsed, delay, carry;
        float step;
    } cases[] = {{40, 0, 24, 0.040f},
                 {5, 11, 0, 0.016f},
                 {16, 0, 0, 0.016f},
                 {333, 0, 317, 0.333f},
                 {1000, 0, 984, 0.333f}};
    for (const auto& c : cases) {
        const FrameTiming timing = frameTiming(c.elapsed);
        EXPECT_EQ(timing.delay, c.delay) << c.elapsed;
        EXPECT_EQ(timing.carry, c.carry) << c.elapsed;
        EXPECT_TRUE(near(timeStep(timing.carry), c.step)) << c.elapsed;
    }
}

// A stand-in for the globals: a player's latch, the title menu and the world flag.
class EventTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Targets.paused = &m_Paused;
        m_Targets.controller = &m_Controller;
        m_Targets.menuSelection = &m_Selection;
        m_Targets.menuActive = &m_MenuActive;
        m_Targets.playing = &m_Playing;
    }

    bool send(const SDL_Event& event) { return handleEvent(event, m_Targets); }

    Controller m_Controller;
    bool m_Paused = false;
    bool m_Selection = true;
    bool m_MenuActive = false;
    bool m_Playing = true;
    EventTargets m_Targets;
};

TEST_F(EventTest, EscapeAndTheWindowCloseQuit) {
    SDL_Event close = {};
    close.type = SDL_QUIT;
    EXPECT_FALSE(send(close));
    EXPECT_FALSE(send(keyDown(SDLK_ESCAPE)));
    EXPECT_TRUE(send(keyUp(SDLK_ESCAPE)));
    EXPECT_EQ(m_Controller.m_PendingPressed, 0u);
}

TEST_F(EventTest, F1TogglesPauseAndSetsNoBit) {
    EXPECT_TRUE(send(keyDown(SDLK_F1)));
    EXPECT_TRUE(m_Paused);
    EXPECT_TRUE(send(keyUp(SDLK_F1)));
    EXPECT_TRUE(send(keyDown(SDLK_F1)));
    EXPECT_FALSE(m_Paused);
    EXPECT_EQ(m_Controller.m_PendingPressed, 0u);
    EXPECT_EQ(m_Controller.m_PendingReleased, 0u);
}

TEST_F(EventTest, EachBitKeySetsItsOwnBit) {
    const struct {
        SDLKey key;
        uint32_t bit;
    } keys[] = {{SDLK_UP, BUTTON_UP},       {SDLK_DOWN, BUTTON_DOWN}, {SDLK_LEFT, BUTTON_LEFT},
                {SDLK_RIGHT, BUTTON_RIGHT}, {SDLK_c, BUTTON_C},       {SDLK_x, BUTTON_X}};
    for (const auto& entry : keys) {
        m_Controller = Controller();
        send(keyDown(entry.key));
        send(keyUp(entry.key));
        EXPECT_EQ(m_Controller.m_PendingPressed, entry.bit) << "key " << entry.key;
        EXPECT_EQ(m_Controller.m_PendingReleased, entry.bit) << "key " << entry.key;
    }
}

TEST_F(EventTest, OtherKeysAndEventsSetNothing) {
    m_Controller.m_PendingPressed = BUTTON_C;
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    EXPECT_TRUE(send(motion));
    EXPECT_TRUE(send(keyDown(SDLK_SPACE)));
    EXPECT_TRUE(send(keyUp(SDLK_z)));
    EXPECT_EQ(m_Controller.m_PendingPressed, BUTTON_C);
    EXPECT_EQ(m_Controller.m_PendingReleased, 0u);
    EXPECT_FALSE(m_Paused);
}

TEST_F(EventTest, PressAndReleaseWithinOneFrameBothStayPendingForTheLatch) {
    send(keyDown(SDLK_LEFT));
    send(keyUp(SDLK_LEFT));
    send(keyDown(SDLK_LEFT));
    m_Controller.latch();
    EXPECT_TRUE(m_Controller.wasPressed(BUTTON_LEFT));
    EXPECT_TRUE(m_Controller.wasReleased(BUTTON_LEFT));
}

TEST_F(EventTest, UpAndDownMoveTheMenuSelectionEvenAfterTheGameStarted) {
    for (const auto& [key, selection] :
         {std::make_pair(SDLK_DOWN, false), {SDLK_DOWN, false}, {SDLK_UP, true}, {SDLK_UP, true}}) {
        EXPECT_TRUE(send(keyDown(key)));
        EXPECT_EQ(m_Selection, selection) << "key " << key;
    }
}

TEST_F(EventTest, XOnOnePlayerStartsTheGameAndReachesThePlayer) {
    m_MenuActive = true;
    m_Playing = false;
    EXPECT_TRUE(send(keyDown(SDLK_x)));
    EXPECT_FALSE(m_MenuActive);
    EXPECT_TRUE(m_Playing);
    EXPECT_EQ(m_Controller.m_PendingPressed, uint32_t(BUTTON_X));
}

TEST_F(EventTest, XOnExitQuitsWithoutSettingABit) {
    m_MenuActive = true;
    m_Playing = false;
    m_Selection = false;
    EXPECT_FALSE(send(keyDown(SDLK_x)));
    EXPECT_FALSE(m_Playing);
    EXPECT_EQ(m_Controller.m_PendingPressed, 0u);
}

TEST_F(EventTest, XDuringPlayOnlySetsItsBit) {
    m_Selection = false;
    EXPECT_TRUE(send(keyDown(SDLK_x)));
    EXPECT_EQ(m_Controller.m_PendingPressed, uint32_t(BUTTON_X));
    EXPECT_FALSE(m_MenuActive);
}

TEST_F(EventTest, MissingStatesAreSkipped) {
    EventTargets none;
    for (SDLKey key : {SDLK_UP, SDLK_DOWN, SDLK_x, SDLK_c, SDLK_F1}) {
        EXPECT_TRUE(handleEvent(keyDown(key), none)) << "key " << key;
        EXPECT_TRUE(handleEvent(keyUp(key), none)) << "key " << key;
    }
    EXPECT_FALSE(handleEvent(keyDown(SDLK_ESCAPE), none));

    // A title screen without a world still starts on X.
    m_Targets.playing = nullptr;
    m_Targets.controller = nullptr;
    m_MenuActive = true;
    EXPECT_TRUE(send(keyDown(SDLK_x)));
    EXPECT_FALSE(m_MenuActive);
}

TEST(CurrentEventTargetsTest, OffersOnlyThePauseFlagBeforeTheStatesExist) {
    ASSERT_EQ(g_World, nullptr);
    ASSERT_EQ(g_TitleScreen, nullptr);
    const EventTargets targets = currentEventTargets();
    EXPECT_EQ(targets.paused, &g_Paused);
    EXPECT_EQ(targets.controller, nullptr);
    EXPECT_EQ(targets.menuSelection, nullptr);
    EXPECT_EQ(targets.menuActive, nullptr);
    EXPECT_EQ(targets.playing, nullptr);
}

} // namespace
