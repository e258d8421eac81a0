#include "support/game_fixture.h"

#include "app/application.h"
#include "app/controller.h"
#include "engine/mesh.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "game/insect.h"
#include "game/playerant.h"
#include "game/rock.h"
#include "support/test_render_device.h"

#include <algorithm>
#include <cstdlib>

namespace TestSupport {

std::string dataDirectory() {
    return std::string(FORMIK_BINARY_DIR) + "/data/";
}

void useGeneratedData() {
    Kestrel::ResourceManager* resources = Kestrel::ResourceManager::getInstance();
    const auto& paths = resources->getSearchPaths();
    if (std::find(paths.begin(), paths.end(), dataDirectory()) == paths.end())
        resources->addSearchPath(dataDirectory());
    resources->clear();
}

Kestrel::Animation* animation(const char* file) {
    return keptAnimation(file);
}

// The random sequence starts as in a fresh run of the game (an unseeded rand is
// seeded with 1), whatever earlier tests drew.
void GameDriver::startWorld(Kestrel::RenderDevice* device) {
    srand(1);
    m_Device = device;
    useGeneratedData();
    g_RenderDevice = device;
    g_World = new World(device);
    g_World->m_Playing = true;
}

// Cached resources go while their device, and any OpenGL context, still exist.
void GameDriver::endWorld() {
    delete g_World;
    g_World = nullptr;
    g_RenderDevice = nullptr;
    Kestrel::ResourceManager::getInstance()->clear();
}

void GameDriver::quietEnemies() {
    for (int i = 0; i < 2; ++i) {
        Kestrel::SceneNode* placeholder = new Kestrel::SceneNode(m_Device);
        placeholder->setParent(g_World->m_EnemyNode);
        m_Invited.insert(placeholder);
    }
    m_Quiet = true;
}

// A spawned ant joins at the end of the world's update, before it ever acted.
void GameDriver::removeUninvitedEnemies() {
    Kestrel::SceneNode* enemies = g_World->m_EnemyNode;
    for (unsigned i = enemies->getChildCount(); i-- > 0;) {
        Kestrel::Transformable* child = enemies->getChild(i);
        if (m_Invited.count(child) == 0)
            delete child;
    }
}

void GameDriver::step(int frames, float dt) {
    for (int i = 0; i < frames; ++i) {
        g_World->update(dt);
        if (m_Quiet)
            removeUninvitedEnemies();
    }
}

bool GameDriver::stepUntil(const std::function<bool()>& done, int maxFrames, float dt) {
    for (int i = 0; i < maxFrames; ++i) {
        if (done())
            return true;
        step(1, dt);
    }
    return done();
}

PlayerAnt* GameDriver::player() const {
    return g_World->m_Player;
}

void GameDriver::protectPlayer() {
    g_World->m_Player->m_InvulnerableTime = 1e9f;
}

void GameDriver::press(unsigned bits) {
    g_World->m_Player->m_Controller.m_PendingPressed |= bits;
}

void GameDriver::release(unsigned bits) {
    g_World->m_Player->m_Controller.m_PendingReleased |= bits;
}

std::vector<Rock*> GameDriver::flyingRocks() const {
    std::vector<Rock*> rocks;
    for (unsigned i = 0; i < g_World->m_PlayerNode->getChildCount(); ++i) {
        if (Rock* rock = dynamic_cast<Rock*>(g_World->m_PlayerNode->getChild(i)))
            rocks.push_back(rock);
    }
    return rocks;
}

std::vector<Insect*> GameDriver::enemies() const {
    std::vector<Insect*> ants;
    for (unsigned i = 0; i < g_World->m_EnemyNode->getChildCount(); ++i) {
        if (Insect* ant = dynamic_cast<Insect*>(g_World->m_EnemyNode->getChild(i)))
            ants.push_back(ant);
    }
    return ants;
}

void GameDriver::useBonelessMesh(const char* file) {
    Kestrel::ResourceManager::getInstance()->addResource(file, new Kestrel::Mesh(m_Device));
}

void GameTest::SetUp() {
    m_Recording = std::make_unique<TestRenderDevice>();
    startWorld(m_Recording.get());
}

void GameTest::TearDown() {
    endWorld();
    m_Recording.reset();
}

void GameGlTest::SetUp() {
    GlTest::SetUp();
    if (HasFatalFailure())
        return;
    setFixedLight();
    m_OpenGLDevice = std::make_unique<Kestrel::OpenGLRenderDevice>();
    startWorld(m_OpenGLDevice.get());
}

void GameGlTest::TearDown() {
    endWorld();
    m_OpenGLDevice.reset();
}

} // namespace TestSupport
