#include "app/application.h"

#include "app/controller.h"
#include "app/titlescreen.h"
#include "engine/scenenode.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"
#include "support/gl_context.h"
#include "support/test_render_device.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using TestSupport::near;

SDL_Event event(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
    SDL_Event e = {};
    e.type = type;
    e.key.keysym.sym = key;
    return e;
}

SDL_Event down(SDLKey key) {
    return event(SDL_KEYDOWN, key);
}
SDL_Event up(SDLKey key) {
    return event(SDL_KEYUP, key);
}

// Events applied in order to a player's latch, the title menu and the world
// flag; the result of the last event and the states afterwards.
struct State {
    bool menuActive, playing, selection, paused;
};

TEST(EventTest, EventsChangeOnlyWhatTheyAreFor) {
    const State PLAY = {false, true, true, false}, PLAY_ON_EXIT = {false, true, false, false},
                PAUSED = {false, true, true, true}, TITLE = {true, false, true, false},
                TITLE_ON_EXIT = {true, false, false, false};
    const struct Case {
        State start;
        std::vector<SDL_Event> events;
        bool goOn;
        uint32_t pressed, released;
        State end;
    } cases[] = {
        {PLAY, {down(SDLK_ESCAPE)}, false, 0, 0, PLAY},
        {PLAY, {up(SDLK_ESCAPE)}, true, 0, 0, PLAY},
        {PLAY, {down(SDLK_F1), up(SDLK_F1)}, true, 0, 0, PAUSED},
        {PLAY, {event(SDL_MOUSEMOTION), down(SDLK_SPACE), up(SDLK_z)}, true, 0, 0, PLAY},
        {PLAY,
         {down(SDLK_LEFT), down(SDLK_RIGHT), down(SDLK_c), up(SDLK_LEFT), up(SDLK_c)},
         true,
         BUTTON_LEFT | BUTTON_RIGHT | BUTTON_C,
         BUTTON_LEFT | BUTTON_C,
         PLAY},
        // The menu follows Up and Down also during play.
        {PLAY,
         {down(SDLK_DOWN), down(SDLK_DOWN), up(SDLK_DOWN)},
         true,
         BUTTON_DOWN,
         BUTTON_DOWN,
         PLAY_ON_EXIT},
        {PLAY,
         {down(SDLK_DOWN), down(SDLK_UP), down(SDLK_UP), up(SDLK_UP)},
         true,
         BUTTON_DOWN | BUTTON_UP,
         BUTTON_UP,
         PLAY},
        {PLAY_ON_EXIT, {down(SDLK_x), up(SDLK_x)}, true, BUTTON_X, BUTTON_X, PLAY_ON_EXIT},
        {TITLE, {down(SDLK_x)}, true, BUTTON_X, 0, PLAY},
        {TITLE_ON_EXIT, {down(SDLK_x)}, false, 0, 0, TITLE_ON_EXIT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Controller controller;
        State s = c.start;
        const EventTargets targets{&s.paused, &controller, &s.selection, &s.menuActive, &s.playing};
        bool goOn = !c.goOn;
        for (const SDL_Event& e : c.events)
            goOn = handleEvent(e, targets);
        EXPECT_EQ(goOn, c.goOn);
        EXPECT_EQ(controller.m_PendingPressed, c.pressed);
        EXPECT_EQ(controller.m_PendingReleased, c.released);
        EXPECT_EQ(s.menuActive, c.end.menuActive);
        EXPECT_EQ(s.playing, c.end.playing);
        EXPECT_EQ(s.selection, c.end.selection);
        EXPECT_EQ(s.paused, c.end.paused);
    }
}

// Time that passes only when a frame asks; it records the sleeps and swaps.
class ScriptedPlatform : public LoopPlatform {
public:
    uint32_t getTicks() override { return m_Now; }
    void delay(uint32_t milliseconds) override {
        m_Delays.push_back(milliseconds);
        m_Now += milliseconds;
    }
    void swapBuffers() override { ++m_Swaps; }

    uint32_t m_Now = 0;
    std::vector<uint32_t> m_Delays;
    int m_Swaps = 0;
};

// Both states are active: the title screen's clock adds up the time steps it
// was given, and each state's render clears once.
class FrameLoopTest : public TestSupport::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        g_TitleScreen = new TitleScreen(m_Device);
    }
    void TearDown() override {
        delete g_TitleScreen;
        g_TitleScreen = nullptr;
        GameTest::TearDown();
    }
};

// Frames after a start at tick 1000 that take `busy` ms of work (the platform's
// time moves only by the frame's own sleep otherwise).
TEST_F(FrameLoopTest, AFrameStepsRendersSleepsOrCarriesAndQuitsOnRequest) {
    const struct Case {
        uint32_t carry, busy;
        std::vector<SDL_Event> events;
        bool goOn;
        float step;     // seconds the title screen moved on
        uint32_t delay; // 0: no sleep
        int renders, swaps;
        uint32_t nextCarry;
    } cases[] = {
        {0, 5, {}, true, 0.016f, 11, 2, 1, 0},
        {0, 16, {}, true, 0.016f, 0, 2, 1, 0},
        {0, 40, {}, true, 0.016f, 0, 2, 1, 24},
        {24, 3, {}, true, 0.040f, 13, 2, 1, 0},
        {5000, 3, {}, true, 0.600f, 13, 2, 1, 0},
        // Paused: no step, but the picture is still drawn and the period kept.
        {24, 3, {down(SDLK_F1)}, true, 0.0f, 13, 2, 1, 0},
        {24, 20, {down(SDLK_F1), down(SDLK_F1)}, true, 0.040f, 0, 2, 1, 4},
        {0, 5, {down(SDLK_DOWN), down(SDLK_ESCAPE), down(SDLK_UP)}, false, 0.0f, 0, 0, 0, 0},
        {0, 5, {event(SDL_QUIT)}, false, 0.0f, 0, 0, 0, 0},
    };
    auto& device = recordingDevice();
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        g_Paused = false;
        g_TitleScreen->m_Time = 0.0f;
        ScriptedPlatform platform;
        platform.m_Now = 1000 + c.busy;
        const int clears = device.m_ClearCount;
        uint32_t carry = c.carry;
        EXPECT_EQ(runFrame(1000, c.events, carry, platform), c.goOn);
        EXPECT_TRUE(near(g_TitleScreen->m_Time, c.step)) << g_TitleScreen->m_Time;
        EXPECT_EQ(platform.m_Delays,
                  c.delay ? std::vector<uint32_t>{c.delay} : std::vector<uint32_t>{});
        EXPECT_EQ(device.m_ClearCount - clears, c.renders);
        EXPECT_EQ(platform.m_Swaps, c.swaps);
        EXPECT_EQ(carry, c.goOn ? c.nextCarry : c.carry);
    }
    EXPECT_FLOAT_EQ(world()->m_Scene->getCamera()->getAspect(), 1.3333334f);
}

class FixedLightGlTest : public TestSupport::GlTest {};

// The game's one light is a direction, (-1, 1, -1), and lights a model of any
// scale fully: a square whose normal points that way is white, drawn 8 units
// away at twice its size (a positional light or unnormalised normals dim it).
TEST_F(FixedLightGlTest, LightsAScaledSquareFacingItFully) {
    setFixedLight();
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 4.0 / 3.0, 1.0, 20.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0.0f, 0.0f, -8.0f);
    glScalef(2.0f, 2.0f, 2.0f);
    glDisable(GL_COLOR_MATERIAL);
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_QUADS);
    glNormal3f(-0.57735f, 0.57735f, -0.57735f);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glDisable(GL_LIGHTING);
    const TestSupport::Rgba centre =
        TestSupport::readPixel(TestSupport::GL_TEST_WIDTH / 2, TestSupport::GL_TEST_HEIGHT / 2);
    EXPECT_GE(std::min({centre.r, centre.g, centre.b}), 245) << int(centre.r);
}

} // namespace
