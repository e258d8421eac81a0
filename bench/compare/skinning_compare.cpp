// Mesh::morph side by side with ozz-animation's SkinningJob on the same mesh,
// matrices and weights, in one process: each round runs both, alternating which
// goes first, so that machine noise hits both alike. Reports the median time of
// each per call and ozz's time over morph's (1 or more: morph is as fast).
#include "bench/skinned_mesh_fixture.h"

#include <ozz/base/maths/simd_math.h>
#include <ozz/base/span.h>
#include <ozz/geometry/runtime/skinning_job.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

ozz::math::Float4x4 toOzz(const Kestrel::Matrix4& m) {
    ozz::math::Float4x4 result;
    for (int c = 0; c < 4; ++c)
        result.cols[c] = ozz::math::simd_float4::Load(m[c], m[4 + c], m[8 + c], m[12 + c]);
    return result;
}

// The same skinning as ozz sees it: 16-bit joint indices, the last weight of
// each vertex implied by the others, strided positions and normals.
struct OzzSkinning {
    explicit OzzSkinning(const BenchSupport::SkinnedMesh& skinned) {
        const unsigned count = skinned.m_Mesh.getVertexList()->getVertexCount();
        for (unsigned i = 0; i < BenchSupport::SKELETON_BONES; ++i)
            m_Matrices.push_back(toOzz(skinned.m_Entity->getBone(i)->getSkinMatrix()));
        for (unsigned v = 0; v < count; ++v) {
            const float* weights = &skinned.m_Weights[BenchSupport::INFLUENCES * v];
            float sum = 0.0f;
            for (unsigned k = 0; k < BenchSupport::INFLUENCES; ++k)
                sum += weights[k];
            for (unsigned k = 0; k < BenchSupport::INFLUENCES; ++k) {
                m_Indices.push_back(
                    uint16_t(skinned.m_BoneIndices[BenchSupport::INFLUENCES * v + k]));
                if (k + 1 < BenchSupport::INFLUENCES)
                    m_Weights.push_back(weights[k] / sum);
            }
        }
        m_Out.resize(count);
        const Kestrel::Vertex* in = skinned.m_Mesh.getVertexList()->data();
        const size_t stride = sizeof(Kestrel::Vertex);
        m_Job.vertex_count = int(count);
        m_Job.influences_count = int(BenchSupport::INFLUENCES);
        m_Job.joint_matrices = ozz::make_span(std::as_const(m_Matrices));
        m_Job.joint_indices = ozz::make_span(std::as_const(m_Indices));
        m_Job.joint_indices_stride = sizeof(uint16_t) * BenchSupport::INFLUENCES;
        m_Job.joint_weights = ozz::make_span(std::as_const(m_Weights));
        m_Job.joint_weights_stride = sizeof(float) * (BenchSupport::INFLUENCES - 1);
        m_Job.in_positions = {&in[0].position.x, count * stride / sizeof(float)};
        m_Job.in_positions_stride = stride;
        m_Job.in_normals = {&in[0].normal.x, count * stride / sizeof(float) - 3};
        m_Job.in_normals_stride = stride;
        m_Job.out_positions = {&m_Out[0].position.x, count * stride / sizeof(float)};
        m_Job.out_positions_stride = stride;
        m_Job.out_normals = {&m_Out[0].normal.x, count * stride / sizeof(float) - 3};
        m_Job.out_normals_stride = stride;
    }

    std::vector<ozz::math::Float4x4> m_Matrices;
    std::vector<uint16_t> m_Indices;
    std::vector<float> m_Weights;
    std::vector<Kestrel::Vertex> m_Out;
    ozz::geometry::SkinningJob m_Job;
};

bool sameVertices(const Kestrel::VertexList& morphed, const std::vector<Kestrel::Vertex>& ozz) {
    for (unsigned i = 0; i < morphed.getVertexCount(); ++i) {
        for (int c = 0; c < 3; ++c) {
            const float scale = std::max(1.0f, std::fabs(ozz[i].position[c]));
            if (std::fabs(morphed.getPosition(i)[c] - ozz[i].position[c]) > 1e-5f * scale ||
                std::fabs(morphed.getNormal(i)[c] - ozz[i].normal[c]) > 1e-5f * scale)
                return false;
        }
    }
    return true;
}

double nanoseconds(Clock::time_point start) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_MorphAgainstOzz(benchmark::State& state) {
    const unsigned vertexCount = unsigned(state.range(0));
    BenchSupport::SkinnedMesh skinned(vertexCount);
    Kestrel::Mesh& mesh = skinned.m_Mesh;
    const Kestrel::VertexList& in = *mesh.getVertexList();
    Kestrel::VertexList out(Kestrel::USAGE_DYNAMIC);
    skinned.m_Entity->morph(in, out);
    OzzSkinning ozz(skinned);
    if (!ozz.m_Job.Run() || !sameVertices(out, ozz.m_Out)) {
        state.SkipWithError("morph and ozz disagree (or ozz refused the job)");
        return;
    }
    std::vector<double> morphTimes, ozzTimes;
    bool morphFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const Clock::time_point start = Clock::now();
            if (morphFirst == (turn == 0)) {
                mesh.morph(in, out);
                benchmark::DoNotOptimize(out.data());
                morphTimes.push_back(nanoseconds(start));
            } else {
                ozz.m_Job.Run();
                benchmark::DoNotOptimize(ozz.m_Out.data());
                ozzTimes.push_back(nanoseconds(start));
            }
            benchmark::ClobberMemory();
        }
        morphFirst = !morphFirst;
    }
    const double morphMedian = median(morphTimes), ozzMedian = median(ozzTimes);
    state.counters["morph_ns_per_vertex"] = morphMedian / vertexCount;
    state.counters["ozz_ns_per_vertex"] = ozzMedian / vertexCount;
    state.counters["ozz_over_morph"] = ozzMedian / morphMedian;
}
BENCHMARK(BM_MorphAgainstOzz)->ArgName("vertices")->Arg(2000)->Arg(20000)->Arg(200000);

} // namespace
