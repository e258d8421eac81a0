// CPU cost of one frame of the world with many enemies alive: update, queueing
// and skinning of every ant, without OpenGL. A device stands in that morphs
// each queued skinned item, as the OpenGL device does right before drawing.
#include "app/application.h"
#include "app/world.h"
#include "engine/morphable.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/shader.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "game/fireant.h"
#include "game/insect.h"
#include "game/playerant.h"
#include "game/soldierant.h"
#include "game/zombieant.h"
#include "tests/support/list_only_device.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

class NullTexture : public Kestrel::Texture {
public:
    bool create(Kestrel::TextureFormat, unsigned, unsigned, const void*) override { return true; }
    bool setMipmap(unsigned, const void*) override { return true; }
    void setFiltering(bool) override {}
    unsigned getHandle() const override { return 1; }
};

class NullShader : public Kestrel::Shader {
public:
    bool compile(const std::string&, const std::string&) override { return true; }
    void setUniform(const std::string&, int) override {}
};

// Draws nothing but does the processor's share of drawing: the skinning.
class MorphingDevice : public TestSupport::ListOnlyDevice {
public:
    MorphingDevice() : m_Scratch(Kestrel::USAGE_DYNAMIC) {}

    Kestrel::Shader* createShader() override { return new NullShader(); }
    Kestrel::Texture* createTexture() override { return new NullTexture(); }

    void render(Kestrel::Camera*) override {
        for (const Kestrel::RenderItem& item : m_RenderQueue) {
            if (item.morphable && item.faceList)
                item.morphable->morph(*item.faceList->getVertexList(), m_Scratch);
        }
        m_RenderQueue.clear();
    }

private:
    Kestrel::VertexList m_Scratch;
};

void addEnemies(World* world, Kestrel::RenderDevice* device, int count) {
    for (int i = 0; i < count; ++i) {
        Insect* ant;
        switch (i % 3) {
        case 0:
            ant = new SoldierAnt(device);
            break;
        case 1:
            ant = new FireAnt(device);
            break;
        default:
            ant = new ZombieAnt(device);
            break;
        }
        ant->setPosition(static_cast<float>(i % 16), 0.0f, 6.0f + static_cast<float>(i % 10));
        ant->setParent(world->m_EnemyNode);
    }
}

void BM_WorldFrame(benchmark::State& state) {
    Kestrel::ResourceManager::getInstance()->addSearchPath(std::string(FORMIK_BINARY_DIR) +
                                                           "/data/");
    MorphingDevice device;
    g_RenderDevice = &device;
    g_World = new World(&device);
    g_World->m_Playing = true;
    addEnemies(g_World, &device, static_cast<int>(state.range(0)));
    // A player that lives for good keeps the crowd around it, throwing and biting.
    for (int frame = 0; frame < 60; ++frame) {
        g_World->m_Player->m_InvulnerableTime = 1e9f;
        g_World->update(0.016f);
    }
    for (auto _ : state) {
        g_World->m_Player->m_InvulnerableTime = 1e9f;
        g_World->update(0.016f);
        g_World->render();
    }
    state.counters["ants"] = static_cast<double>(g_World->m_EnemyNode->getChildCount());
    delete g_World;
    g_World = nullptr;
    Kestrel::ResourceManager::getInstance()->clear();
}
BENCHMARK(BM_WorldFrame)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace
