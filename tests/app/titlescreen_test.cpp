#include "app/titlescreen.h"

#include "app/application.h"
#include "app/controller.h"
#include "engine/entity.h"
#include "engine/scenenode.h"
#include "game/playerant.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using Kestrel::Vector3;
using namespace TestSupport;

namespace {

class TitleScreenTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        world()->m_Playing = false;
        g_TitleScreen = title = new TitleScreen(m_Device);
    }
    void TearDown() override {
        g_TitleScreen = nullptr;
        delete title;
        GameTest::TearDown();
    }
    bool send(SDLKey key) {
        SDL_Event event = {};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = key;
        return handleEvent(event, currentEventTargets());
    }
    const Kestrel::Animation* pointing() const { return title->m_Ant->getCurrentAnimation(); }

    TitleScreen* title = nullptr;
};

TEST_F(TitleScreenTest, TheAntPointsAtTheSelectedItemAndTheTitleSways) {
    // The title twice its size one unit up; the ant to the right, below, turned
    // toward the menu.
    EXPECT_TRUE(near(title->m_Title->getScale(), Vector3(2, 2, 2)));
    EXPECT_TRUE(near(title->m_Title->getPosition(), Vector3(0, 1, 0)));
    EXPECT_TRUE(near(title->m_Ant->getPosition(), Vector3(1, -1.5f, 0)));
    EXPECT_FLOAT_EQ(title->m_Ant->getRotationY(), 85.0f);
    title->update(FRAME);
    EXPECT_EQ(pointing(), animation("antpointup.ksta"));
    title->m_Selection = false;
    title->update(FRAME);
    EXPECT_EQ(pointing(), animation("antpointdown.ksta"));
    // The arm is fully over within 0.2 s.
    for (int i = 0; i < 13; ++i)
        title->update(FRAME);
    EXPECT_FLOAT_EQ(title->m_Ant->getCurrentBlendRatio(), 1.0f);

    // The title sways twenty degrees; its clock stays within one turn.
    float widest = 0.0f;
    for (int i = 0; i <= 1000; ++i) {
        title->update(i < 1000 ? FRAME : 1000.0f);
        ASSERT_GE(title->m_Time, 0.0f);
        ASSERT_LE(title->m_Time, 6.2831855f);
        const float sway = title->m_Title->getRotationY();
        EXPECT_TRUE(near(sway, 20.0f * std::sin(title->m_Time), 1e-3f));
        widest = std::max(widest, std::fabs(sway));
    }
    EXPECT_GT(widest, 19.9f);
}

TEST_F(TitleScreenTest, RenderLooksAtTheTitleAndDrawsTheMenuOverIt) {
    auto& device = recordingDevice();
    title->update(FRAME);
    device.m_RenderedQueues.clear();
    title->render();
    ASSERT_EQ(device.m_RenderedQueues.size(), 1u);
    EXPECT_FALSE(device.m_RenderedQueues[0].empty());
    const Kestrel::Camera* camera = title->m_Scene->getCamera();
    EXPECT_TRUE(near(camera->getPosition(), Vector3(0.0f, 1.0f, -7.0f)));
    EXPECT_TRUE(near(camera->getRotationX(), 8.130102f, 1e-4f));
    EXPECT_FLOAT_EQ(camera->getAspect(), 1.0f);
    EXPECT_FALSE(device.m_DepthTest);
    EXPECT_EQ(device.m_BlendMode, Kestrel::BLEND_ALPHA);
    // The last text is the small credit line along the bottom, from x = 0.35.
    const Kestrel::Matrix4 credit = device.getModelViewMatrix();
    const Vector3 origin = credit.transformPoint(Vector3());
    EXPECT_TRUE(near(origin.y, 0.05f));
    EXPECT_LE(origin.x, 0.35f);
    EXPECT_TRUE(near(credit.transformPoint(Vector3(1.0f, 0.0f, 0.0f)).x - origin.x, 0.04f));
}

// The event pump hands the game over from the title screen to the world, which
// from then on neither moves nor draws the title.
TEST_F(TitleScreenTest, XOnExitQuitsAndOnOnePlayerStartsTheGame) {
    ASSERT_TRUE(send(SDLK_DOWN));
    title->update(FRAME);
    EXPECT_EQ(pointing(), animation("antpointdown.ksta"));
    EXPECT_FALSE(send(SDLK_x));
    EXPECT_TRUE(title->m_Active);
    EXPECT_FALSE(world()->m_Playing);
    EXPECT_EQ(player()->m_Controller.m_PendingPressed & BUTTON_X, 0u);

    ASSERT_TRUE(send(SDLK_UP));
    ASSERT_TRUE(send(SDLK_x));
    EXPECT_FALSE(title->m_Active);
    EXPECT_TRUE(world()->m_Playing);
    world()->update(FRAME);
    EXPECT_NE(player()->getHeldRock(), nullptr) << "X reached the player too";

    const float time = title->m_Time;
    auto& device = recordingDevice();
    const int clears = device.m_ClearCount;
    title->update(FRAME);
    title->render();
    EXPECT_EQ(title->m_Time, time);
    EXPECT_EQ(device.m_ClearCount, clears);
}

class TitleScreenGlTest : public GameGlTest {};

TEST_F(TitleScreenGlTest, TitleInTheUpperMiddleAndTheMenuOnTheRight) {
    g_World->m_Playing = false;
    TitleScreen title(m_Device);
    title.update(FRAME);
    title.render();
    const auto frame = readFrame();
    const auto lit = [&](float x0, float y0, float x1, float y1) {
        int count = 0;
        for (int y = int(y0 * 480); y < int(y1 * 480); ++y) {
            for (int x = int(x0 * 640); x < int(x1 * 640); ++x) {
                const auto& p = frame[size_t(y) * 640 + x];
                count += p.r + p.g + p.b > 60;
            }
        }
        return count;
    };
    EXPECT_GT(lit(0.25f, 0.6f, 0.75f, 0.95f), 500) << "the title";
    // "One Player" from (0.6, 0.4) and "Exit" from (0.6, 0.3), about 0.08 high.
    EXPECT_GT(lit(0.6f, 0.38f, 0.95f, 0.5f), 200) << "One Player";
    EXPECT_GT(lit(0.6f, 0.28f, 0.75f, 0.38f), 50) << "Exit";
}

} // namespace
