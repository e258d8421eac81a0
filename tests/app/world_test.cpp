#include "app/world.h"

#include "app/ground.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "engine/text.h"
#include "game/fireant.h"
#include "game/playerant.h"
#include "game/soldierant.h"
#include "game/zombieant.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"
#include "support/still_particle.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <list>

using Kestrel::Vector3;
using namespace TestSupport;

namespace {

using WorldTest = GameTest;

TEST_F(WorldTest, StartsWithOneAntUsedAndTheLevelStillUntilPlayBegins) {
    EXPECT_EQ(world()->getHudText(), "Ants: 9/10\nKills: 0");
    // The player ant starts between x = 7.2 and 8.2 on the near edge.
    const Vector3 p = player()->getPosition();
    EXPECT_TRUE(p.x >= 7.2f && p.x <= 8.2f) << p.x;
    EXPECT_TRUE(near(p, Vector3(p.x, 0.0f, 0.0f), 0.0f));
    EXPECT_EQ(world()->m_PlayerNode->getChild(0), player());

    Kestrel::SceneNode* root = world()->m_Scene->getRoot();
    ASSERT_EQ(root->getChildCount(), 8u);
    EXPECT_EQ(root->getChild(0), world()->m_EnemyNode);
    EXPECT_EQ(root->getChild(1), world()->m_PlayerNode);
    for (unsigned i = 2; i < 8; ++i) {
        EXPECT_TRUE(near(root->getChild(i)->getScale(), Vector3(20.0f, 16.0f, 20.0f)));
        EXPECT_TRUE(near(root->getChild(i)->getPosition(), Vector3(8.0f, 0.5f, 8.0f)));
    }
    // The opaque grass comes last.
    auto* grass = dynamic_cast<Kestrel::Entity*>(root->getChild(7));
    ASSERT_TRUE(grass && grass->getMesh());
    EXPECT_FALSE(grass->getMesh()->m_Transparent);

    // Nothing moves or is drawn before the game starts.
    world()->m_Playing = false;
    auto& device = recordingDevice();
    const int clears = device.m_ClearCount;
    const size_t drawnQueues = device.m_RenderedQueues.size();
    step(30);
    world()->render();
    EXPECT_EQ(world()->m_EnemyNode->getChildCount(), 0u);
    EXPECT_TRUE(near(world()->m_CameraPosition, Vector3(8.0f, 10.0f, 0.0f)));
    EXPECT_TRUE(near(world()->m_CameraTarget, Vector3(8.0f, 0.0f, 8.0f)));
    EXPECT_EQ(device.m_ClearCount, clears);
    EXPECT_EQ(device.m_RenderedQueues.size(), drawnQueues);

    // Preparing draws one piece a call (each level mesh, each actor mesh, then
    // the ground and a particle), then nothing, and leaves the world as it was:
    // a particle already there is not updated.
    std::vector<std::string> journal;
    auto* waiting = new StillParticle(Vector3(8, 1, 8), 1.0f, &journal);
    world()->m_Scene->getParticleManager()->addParticle(waiting);
    std::vector<size_t> queuesPerCall;
    while (world()->prepareNextPiece())
        queuesPerCall.push_back(device.m_RenderedQueues.size() - drawnQueues);
    EXPECT_EQ(queuesPerCall, (std::vector<size_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12}));
    EXPECT_FALSE(world()->prepareNextPiece());
    ASSERT_EQ(device.m_RenderedQueues.size(), drawnQueues + 12);
    auto* resources = Kestrel::ResourceManager::getInstance();
    for (Kestrel::Mesh* mesh : {grass->getMesh(), resources->loadMesh("rock.kst", &device)}) {
        EXPECT_TRUE(std::any_of(
            device.m_RenderedQueues.begin() + drawnQueues, device.m_RenderedQueues.end(),
            [&](const std::vector<Kestrel::RenderItem>& items) {
                return items.size() == 1 && items[0].faceList == mesh->getFaceList(0);
            }));
    }
    EXPECT_EQ(device.m_RenderedQueues.back().size(), 1u);
    // Drawn where play draws them.
    EXPECT_TRUE(near(grass->transformPoint(Vector3()), Vector3(8.0f, 0.5f, 8.0f)));
    EXPECT_EQ(device.m_ClearCount, clears);
    EXPECT_EQ(root->getChildCount(), 8u);
    EXPECT_EQ(world()->m_Scene->getParticleManager()->getParticles(),
              std::list<Kestrel::Particle*>{waiting});
    EXPECT_TRUE(journal.empty());
    EXPECT_FALSE(world()->m_Playing);
}

// Every death takes an ant, the last ones too: the count goes on below zero.
TEST_F(WorldTest, TheHudCountsDeathsAndKillsPastTheLastAnt) {
    const struct {
        int deaths, kills;
        const char* text;
    } cases[] = {{1, 0, "Ants: 8/10\nKills: 0"},
                 {10, 3, "Ants: -1/10\nKills: 3"},
                 {12, 12, "Ants: -3/10\nKills: 12"}};
    int deaths = 0;
    for (const auto& c : cases) {
        for (; deaths < c.deaths; ++deaths) {
            player()->m_InvulnerableTime = 0.0f;
            ASSERT_TRUE(player()->die());
        }
        world()->m_Kills = c.kills;
        EXPECT_EQ(world()->getHudText(), c.text);
    }
}

TEST_F(WorldTest, TwoEnemiesEnterAtOnceThenAboutOnePerTenSecondsOfStep) {
    for (size_t count : {1u, 2u}) {
        step(1);
        ASSERT_EQ(enemies().size(), count);
    }
    for (Insect* ant : enemies()) {
        // At most 4 units per second from z = 16.
        EXPECT_GT(ant->getPosition().z, 16.0f - 4.0f * 2 * FRAME);
        EXPECT_GE(ant->getPosition().x, -0.1f);
        EXPECT_LE(ant->getPosition().x, 16.1f);
    }
    // Frozen actors (time scale 0) keep the count rising only by spawns. With a
    // half-second step the chance is 5 % a frame: 50 spawns expected in 1000.
    world()->m_TimeScale = 0.0f;
    step(1000, 0.5f);
    const unsigned spawned = world()->m_EnemyNode->getChildCount() - 2;
    EXPECT_GT(spawned, 25u);
    EXPECT_LT(spawned, 80u);
    int soldiers = 0, fireAnts = 0, zombies = 0;
    for (Insect* ant : enemies()) {
        soldiers += dynamic_cast<SoldierAnt*>(ant) != nullptr;
        fireAnts += dynamic_cast<FireAnt*>(ant) != nullptr;
        zombies += dynamic_cast<ZombieAnt*>(ant) != nullptr;
    }
    EXPECT_GT(soldiers, 0);
    EXPECT_GT(fireAnts, 0);
    EXPECT_GT(zombies, soldiers / 2);
    EXPECT_EQ(enemies().back()->getPosition().z, 16.0f);
}

TEST_F(WorldTest, CameraEasesAfterThePlayerAndOvershootsOnAVeryLongFrame) {
    quietEnemies();
    protectPlayer();
    // Target: 3 dt of the way per frame; eye: 0.5 dt toward 8 above and 10 behind.
    const Vector3 target = world()->m_CameraTarget;
    const Vector3 eye = world()->m_CameraPosition;
    const Vector3 p = player()->getPosition();
    step(1);
    const Vector3 q = player()->getPosition();
    EXPECT_TRUE(near(world()->m_CameraTarget, target * (1 - 3 * FRAME) + p * (3 * FRAME)));
    EXPECT_TRUE(near(world()->m_CameraPosition,
                     eye * (1 - 0.5f * FRAME) + Vector3(q.x, q.y + 8, q.z - 10) * (0.5f * FRAME)));

    const Vector3 look = world()->m_Scene->getCamera()->getDirection();
    const Vector3 toTarget = world()->m_CameraTarget - world()->m_CameraPosition;
    EXPECT_TRUE(near(look, toTarget.normalized(), 1e-4f));

    // a = 1.5: the target lands half as far beyond the player as it was before it.
    player()->setPosition(q.x, q.y, q.z + 1.0f);
    step(1);
    const float before = world()->m_CameraTarget.z;
    const float playerZ = player()->getPosition().z;
    step(1, 0.5f);
    EXPECT_TRUE(near(world()->m_CameraTarget.z, playerZ + 0.5f * (playerZ - before), 1e-4f));
    // Frames of a second give the longest step: the target passes the player
    // each time by less than it was short, so it settles, and the player stays
    // within the camera's view (45 degrees high) all the while.
    const float longest = timeStep(frameTiming(1000).carry);
    const Vector3 start = player()->getPosition();
    player()->setPosition(start.x, start.y, start.z + 3.0f);
    for (int frame = 0; frame < 8; ++frame) {
        const Vector3 wanted = player()->getPosition();
        const Vector3 from = world()->m_CameraTarget;
        step(1, longest);
        const Vector3 past = world()->m_CameraTarget - wanted;
        EXPECT_LT(past.length(), (wanted - from).length()) << frame;
        EXPECT_GT(Kestrel::dot(past, wanted - from), 0.0f) << frame;
        const Vector3 toPlayer = player()->getPosition() - world()->m_CameraPosition;
        EXPECT_GT(
            Kestrel::dot(world()->m_Scene->getCamera()->getDirection(), toPlayer.normalized()),
            std::cos(22.5f * 3.14159265f / 180.0f))
            << frame;
    }
}

// What the world keeps of the cache reads null once the cache is cleared: the
// frame after draws the ground and particles untextured and no HUD text.
TEST_F(WorldTest, AFrameAfterTheCacheIsClearedReadsNothingFreed) {
    auto& device = recordingDevice();
    world()->m_Scene->getParticleManager()->addParticle(new StillParticle(Vector3(8, 1, 8), 1));
    step(1);
    Kestrel::ResourceManager::getInstance()->clear();
    device.m_RenderedQueues.clear();
    world()->render();
    ASSERT_EQ(device.m_RenderedQueues.size(), 2u);
    EXPECT_EQ(device.m_RenderedQueues[0][0].texture, nullptr);
    ASSERT_EQ(device.m_RenderedQueues[1].size(), 1u);
    EXPECT_EQ(device.m_RenderedQueues[1][0].texture, nullptr);
    EXPECT_EQ(world()->m_Font.get(), nullptr);
}

TEST_F(WorldTest, RenderDrawsGroundSceneParticlesAndTheHud) {
    auto& device = recordingDevice();
    step(2);
    device.m_RenderedQueues.clear();
    world()->render();
    // The scene pass with the ground first, then the particle pass.
    ASSERT_EQ(device.m_RenderedQueues.size(), 2u);
    ASSERT_FALSE(device.m_RenderedQueues[0].empty());
    EXPECT_EQ(device.m_RenderedQueues[0][0].faceList, world()->m_Ground->getFaceList());
    EXPECT_FALSE(device.m_DepthTest);
    EXPECT_EQ(device.m_BlendMode, Kestrel::BLEND_ALPHA);
    // The HUD lands in the lower right: text point (0, 0) at y = 0.2, at x = 0.8
    // or further left if the font is wide; glyph units scaled by 0.07.
    const Kestrel::Matrix4 hud = device.getModelViewMatrix();
    const Vector3 origin = hud.transformPoint(Vector3());
    EXPECT_TRUE(near(origin.y, 0.2f));
    EXPECT_LE(origin.x, 0.8f);
    EXPECT_GT(origin.x, 0.5f);
    EXPECT_TRUE(
        near(hud.transformPoint(Vector3(1.0f, 1.0f, 0.0f)) - origin, Vector3(0.07f, 0.07f, 0.0f)));
    // The overlay projection maps the unit square onto the viewport.
    EXPECT_TRUE(near(device.getProjectionMatrix().transformPoint(Vector3(0.8f, 0.2f, 0.5f)),
                     Vector3(0.6f, -0.6f, 0.0f)));
}

TEST(OverlayTextTest, WideTextMovesLeftToStayOnScreen) {
    TestRenderDevice device;
    Kestrel::Text font(&device);
    ASSERT_TRUE(font.load(dataDirectory() + "Gypsy Curse.ttf", 64));
    // A short text keeps its place; a long one ends at 0.98 at the latest.
    EXPECT_FLOAT_EQ(overlayTextX(font, "1", 0.8f, 0.07f), 0.8f);
    const char* wide = "Kills: 1234567890";
    const float x = overlayTextX(font, wide, 0.8f, 0.07f);
    EXPECT_LT(x, 0.8f);
    EXPECT_TRUE(near(overlayTextX(font, wide, 0.1f, 0.07f), 0.1f));
    // Only the widest line counts.
    EXPECT_FLOAT_EQ(overlayTextX(font, "1\nKills: 1234567890\n1", 0.8f, 0.07f), x);
}

class WorldGlTest : public GameGlTest {};

// Frames differ only where the counts show, in the lower right.
TEST_F(WorldGlTest, TheFieldIsDrawnAndTheCountsShowInTheLowerRight) {
    protectPlayer();
    step(30);
    g_World->m_Scene->getCamera()->setAspect(1.3333334f);
    g_World->render();
    const auto before = readFrame();
    const Rgba middle = readPixel(320, 240);
    EXPECT_GT(middle.r + middle.g + middle.b, 30);

    g_World->m_Kills = 7;
    g_World->render();
    const auto after = readFrame();
    // Rows count from the bottom; the corner is x >= 0.75, y < 0.3.
    int changedRight = 0, changedElsewhere = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        const auto &p = before[i], &q = after[i];
        const bool hudCorner = i % 640 >= 480 && i / 640 < 144;
        (hudCorner ? changedRight : changedElsewhere) += p.r != q.r || p.g != q.g || p.b != q.b;
    }
    EXPECT_GT(changedRight, 50);
    EXPECT_EQ(changedElsewhere, 0);
}

} // namespace
