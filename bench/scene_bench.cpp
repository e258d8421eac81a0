// Per-frame costs of the scene's particle batch and of drawing the HUD string,
// on a device that only keeps what it is given (no graphics).
#include "engine/particlemanager.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/text.h"
#include "tests/support/list_only_device.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

class MemoryTexture : public Kestrel::Texture {
public:
    bool create(Kestrel::TextureFormat, unsigned, unsigned, const void*) override { return true; }
    bool setMipmap(unsigned, const void*) override { return true; }
    void setFiltering(bool) override {}
    unsigned getHandle() const override { return 1; }
};

// Keeps atlases in memory so that fonts load without graphics.
class MemoryDevice : public TestSupport::ListOnlyDevice {
public:
    Kestrel::Texture* createTexture() override { return new MemoryTexture(); }
};

// Drifts slowly so that every frame's sort has some work to do.
class Drifter : public Kestrel::Particle {
public:
    explicit Drifter(int i) {
        m_Position = {float(i % 97) * 0.17f, float(i % 13) * 0.3f, float(i % 89) * 0.19f};
        m_Size = 0.5f;
        m_Velocity = (i % 2) ? 0.3f : -0.3f;
    }
    bool update(float dt) override {
        m_Position.z += m_Velocity * dt;
        return true;
    }
    const Kestrel::Vector2& getTexCoordMin() const override { return CELL_MIN; }
    const Kestrel::Vector2& getTexCoordMax() const override { return CELL_MAX; }

private:
    static const Kestrel::Vector2 CELL_MIN, CELL_MAX;
    float m_Velocity;
};
const Kestrel::Vector2 Drifter::CELL_MIN{0.0f, 0.0f};
const Kestrel::Vector2 Drifter::CELL_MAX{0.25f, 0.25f};

// One frame of the particle pass: update, sort, rebuild both lists, queue.
void BM_ParticleFrame(benchmark::State& state) {
    MemoryDevice device;
    Kestrel::ParticleManager manager(&device);
    for (int i = 0; i < state.range(0); ++i)
        manager.addParticle(new Drifter(i));
    const Kestrel::Vector3 eye(8, 10, 0), direction(0, -0.780869f, 0.624695f);
    for (auto _ : state) {
        manager.update(0.016f);
        manager.render(eye, direction);
        device.render(nullptr);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParticleFrame)->Arg(100)->Arg(1000)->Arg(16384)->Arg(20000);

void BM_HudTextDraw(benchmark::State& state) {
    MemoryDevice device;
    Kestrel::Text text(&device);
    if (!text.load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 64)) {
        state.SkipWithError("fonts-dejavu-core is not installed");
        return;
    }
    char hud[100];
    std::snprintf(hud, sizeof hud, "Ants: %d/%d\nKills: %d", 9, 10, 123);
    for (auto _ : state)
        text.draw(hud);
}
BENCHMARK(BM_HudTextDraw);

void BM_FontLoad(benchmark::State& state) {
    MemoryDevice device;
    for (auto _ : state) {
        Kestrel::Text text(&device);
        benchmark::DoNotOptimize(text.load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 64));
    }
}
BENCHMARK(BM_FontLoad)->Unit(benchmark::kMillisecond);

} // namespace
