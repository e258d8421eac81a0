// Fixtures for gameplay tests: a real World in g_World, built on the generated
// data directory, driven frame by frame with a fixed time step. GameTest draws
// nothing (a recording device); GameGlTest draws through the OpenGL device on
// the test display. Each test has its own device, cache and random sequence.
#pragma once

#include "app/application.h"
#include "app/world.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/scenenode.h"
#include "support/gl_context.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Kestrel {
class Animation;
class RenderDevice;
} // namespace Kestrel

class Insect;
class PlayerAnt;
class Rock;

namespace TestSupport {

const float FRAME = 0.016f;

// build/data, written by the asset generator.
std::string dataDirectory();
// Adds the generated data to the cache's search path (once) and empties the
// cache, which may hold resources made with another device.
void useGeneratedData();
Kestrel::Animation* animation(const char* file);

// Helpers over g_World shared by both fixtures.
class GameDriver {
public:
    // Keeps the field to the ants a test adds itself: two inert nodes under the
    // enemy node stop the spawns that fill it up to two, and the rare random
    // spawn is taken off again in the frame it comes.
    void quietEnemies();
    void step(int frames = 1, float dt = FRAME);
    // Steps until done() holds; false if it did not within maxFrames.
    bool stepUntil(const std::function<bool()>& done, int maxFrames, float dt = FRAME);
    PlayerAnt* player() const;
    // The player alive for good, so that hits do not replace it mid-test.
    void protectPlayer();
    void press(unsigned bits);
    void release(unsigned bits);
    std::vector<Rock*> flyingRocks() const;
    // Puts a mesh without any bones in the cache under file's name; the cache is
    // emptied before the next test.
    void useBonelessMesh(const char* file);
    std::vector<Insect*> enemies() const;

    template <class Ant>
    Ant* addEnemy(float x, float z);

protected:
    // A new playing world in g_World on device, and its end.
    void startWorld(Kestrel::RenderDevice* device);
    void endWorld();
    void removeUninvitedEnemies();

    Kestrel::RenderDevice* m_Device = nullptr;
    bool m_Quiet = false;
    std::set<const Kestrel::Transformable*> m_Invited;
};

class GameTest : public ::testing::Test, public GameDriver {
protected:
    void SetUp() override;
    void TearDown() override;
    TestRenderDevice& recordingDevice() { return *m_Recording; }
    World* world() const { return g_World; }

private:
    std::unique_ptr<TestRenderDevice> m_Recording;
};

class GameGlTest : public GlTest, public GameDriver {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<Kestrel::OpenGLRenderDevice> m_OpenGLDevice;
};

} // namespace TestSupport

template <class Ant>
Ant* TestSupport::GameDriver::addEnemy(float x, float z) {
    Ant* ant = new Ant(m_Device);
    ant->setPosition(x, 0.0f, z);
    ant->setParent(g_World->m_EnemyNode);
    m_Invited.insert(ant);
    return ant;
}
