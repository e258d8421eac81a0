// Skinning throughput and the per-entity cost of the animation stack.
#include "bench/skinned_mesh_fixture.h"
#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"
#include "tests/support/list_only_device.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

using BenchSupport::boneName;
using BenchSupport::makeSkeleton;

// range(0): vertices; range(1): 1 leaves one weighted name without a bone, which
// sends skinning down the plain per-slot path, for comparison.
void BM_MeshMorph(benchmark::State& state) {
    const unsigned vertexCount = static_cast<unsigned>(state.range(0));
    const bool plainPath = state.range(1) != 0;
    BenchSupport::SkinnedMesh skinned(vertexCount);
    Kestrel::Mesh& mesh = skinned.m_Mesh;
    Kestrel::Entity& entity = *skinned.m_Entity;

    if (plainPath)
        mesh.addVertexWeight(vertexCount, "unbound", 1.0f);

    Kestrel::VertexList out(Kestrel::USAGE_DYNAMIC);
    for (auto _ : state) {
        entity.morph(*mesh.getVertexList(), out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * vertexCount);
}
BENCHMARK(BM_MeshMorph)->ArgNames({"vertices", "plain"})->Args({20000, 0})->Args({20000, 1});

// Two keyframes per bone and animation, all bones named.
Kestrel::Animation* makeAnimation(unsigned boneCount, float amplitude) {
    std::string text;
    for (int k = 0; k < 3; ++k) {
        text += "[keyframe]\nduration=0.4\n";
        for (unsigned i = 0; i < boneCount; ++i) {
            const float a = amplitude * (k == 1 ? -1.0f : 1.0f) * (1.0f + 0.01f * i);
            text += boneName(i) + ":(" + std::to_string(a) + ",0.1," + std::to_string(-a) + ")\n";
        }
    }
    return Kestrel::Animation::parse(text);
}

void BM_EntityUpdateTwoAnimationsBlending(benchmark::State& state) {
    const unsigned boneCount = 30;
    TestSupport::ListOnlyDevice device;
    Kestrel::Mesh mesh(&device);
    mesh.setRootBone(makeSkeleton(boneCount));
    Kestrel::Animation* walk = makeAnimation(boneCount, 0.5f);
    Kestrel::Animation* idle = makeAnimation(boneCount, 0.2f);
    Kestrel::Entity entity(&mesh);
    entity.playAnimation(walk, 0.0f, true, false);
    entity.update(0.016f);
    // A blend time no run reaches: both entries stay on the stack.
    entity.playAnimation(idle, 1e9f, true, true);

    for (auto _ : state) {
        entity.update(0.016f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    delete walk;
    delete idle;
}
BENCHMARK(BM_EntityUpdateTwoAnimationsBlending);

} // namespace
