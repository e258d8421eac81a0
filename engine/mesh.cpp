#include "engine/mesh.h"

#include "engine/assert.h"
#include "engine/bone.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"

#include <algorithm>
#include <cstddef>
#include <map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kestrel {
namespace {

const unsigned SLOTS_PER_VERTEX = 4;

void storeColumns(const Matrix4& matrix, float* columns) {
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row)
            columns[4 * column + row] = matrix[4 * row + column];
        columns[4 * column + 3] = 0.0f;
    }
    columns[12] = matrix[3];
    columns[13] = matrix[7];
    columns[14] = matrix[11];
    columns[15] = 1.0f;
}

const uint32_t EMPTY_ENTRY = 0;
const uint32_t REST_ENTRY = 1;
const uint32_t FIRST_BONE_ENTRY = 2;

// What a vertex's weights are scaled by, or 0 when their sum has no usable
// inverse: not above zero, so small that the inverse is infinite, or so large
// (infinite) that the weights would turn into NaN.
float weightScale(float sum) {
    const float scale = sum > 0.0f ? 1.0f / sum : 0.0f;
    return std::isfinite(scale) ? scale : 0.0f;
}

// The fast path's influences: weights divided by their sum, or the rest entry
// for a vertex whose weights have no usable scale.
template <class Influences>
std::vector<Influences> normaliseWeights(const std::vector<uint32_t>& indices,
                                         const std::vector<float>& weights) {
    std::vector<Influences> influences(weights.size() / SLOTS_PER_VERTEX);
    for (size_t v = 0; v < influences.size(); ++v) {
        const size_t first = v * SLOTS_PER_VERTEX;
        float sum = 0.0f;
        for (size_t slot = first; slot < first + SLOTS_PER_VERTEX && indices[slot]; ++slot)
            sum += weights[slot];
        const float k = weightScale(sum);
        const bool usable = k > 0.0f;
        for (unsigned s = 0; s < SLOTS_PER_VERTEX; ++s) {
            influences[v].m_Entries[s] = usable ? indices[first + s] : EMPTY_ENTRY;
            influences[v].m_Weights[s] = usable ? weights[first + s] * k : 0.0f;
        }
        if (!usable) {
            influences[v].m_Entries[0] = REST_ENTRY;
            influences[v].m_Weights[0] = 1.0f;
        }
    }
    return influences;
}

#if defined(__SSE2__)
static_assert(offsetof(Vertex, normal) == 12 && offsetof(Vertex, texCoord) == 24,
              "the skinning below reads and writes a vertex as eight packed floats");

template <int LANE>
__m128 splat(__m128 v) {
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(LANE, LANE, LANE, LANE));
}

// Blends the four matrices by columns, then transforms once; the vertex is read
// as two 16-byte halves (position and normal.x, the rest).
template <class Influences>
void skinVertex(const float* const* matrices, const Influences& influences, const Vertex& in,
                Vertex& out) {
    const __m128 w = _mm_loadu_ps(influences.m_Weights);
    const __m128 w0 = splat<0>(w), w1 = splat<1>(w), w2 = splat<2>(w), w3 = splat<3>(w);
    // Written out column by column: -O2 does not unroll a loop here.
    const auto column = [&](int k) {
        const __m128 a = _mm_add_ps(_mm_mul_ps(w0, _mm_load_ps(matrices[0] + 4 * k)),
                                    _mm_mul_ps(w1, _mm_load_ps(matrices[1] + 4 * k)));
        const __m128 b = _mm_add_ps(_mm_mul_ps(w2, _mm_load_ps(matrices[2] + 4 * k)),
                                    _mm_mul_ps(w3, _mm_load_ps(matrices[3] + 4 * k)));
        return _mm_add_ps(a, b);
    };
    const __m128 c[4] = {column(0), column(1), column(2), column(3)};
    const float* source = reinterpret_cast<const float*>(&in);
    const __m128 low = _mm_loadu_ps(source);
    const __m128 high = _mm_loadu_ps(source + 4);
    const __m128 p =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(c[0], splat<0>(low)), c[3]),
                   _mm_add_ps(_mm_mul_ps(c[1], splat<1>(low)), _mm_mul_ps(c[2], splat<2>(low))));
    const __m128 n =
        _mm_add_ps(_mm_mul_ps(c[0], splat<3>(low)),
                   _mm_add_ps(_mm_mul_ps(c[1], splat<0>(high)), _mm_mul_ps(c[2], splat<1>(high))));
    // Overlapping stores: the normal's store covers the position's fourth lane,
    // the texture coordinates cover the normal's.
    float* target = reinterpret_cast<float*>(&out);
    _mm_storeu_ps(target, p);
    _mm_storeu_ps(target + 3, n);
    _mm_storel_pi(reinterpret_cast<__m64*>(target + 6), _mm_movehl_ps(high, high));
}
#else
template <class Influences>
void skinVertex(const float* const* matrices, const Influences& influences, const Vertex& in,
                Vertex& out) {
    const float* w = influences.m_Weights;
    float p[3], n[3];
    for (int r = 0; r < 3; ++r) {
        float c[4];
        for (int k = 0; k < 4; ++k) {
            c[k] = w[0] * matrices[0][4 * k + r] + w[1] * matrices[1][4 * k + r] +
                   w[2] * matrices[2][4 * k + r] + w[3] * matrices[3][4 * k + r];
        }
        p[r] = c[0] * in.position.x + c[1] * in.position.y + c[2] * in.position.z + c[3];
        n[r] = c[0] * in.normal.x + c[1] * in.normal.y + c[2] * in.normal.z;
    }
    out = {{p[0], p[1], p[2]}, {n[0], n[1], n[2]}, in.texCoord};
}
#endif

} // namespace

Mesh::MaterialGroup::MaterialGroup(FaceList* faceList, const Material& material)
    : m_FaceList(faceList), m_Material(material) {
    KESTREL_ASSERT_TEXT(faceList != nullptr, "faceList != null");
}

Mesh::Mesh(RenderDevice* device)
    : m_RenderDevice(device), m_VertexList(device->createVertexList(USAGE_STATIC)) {}

Mesh::~Mesh() {
    delete m_RootBone;
    for (MaterialGroup& group : m_MaterialGroups)
        delete group.m_FaceList;
    delete m_VertexList;
}

FaceList* Mesh::addMaterial(const Material& material) {
    FaceList* faceList = m_RenderDevice->createFaceList(m_VertexList, USAGE_STATIC);
    m_MaterialGroups.emplace_back(faceList, material);
    return faceList;
}

void Mesh::addFaceVertex(unsigned group, unsigned face, unsigned vertex) {
    auto& targets = m_MaterialGroups[group].m_NormalTargets;
    if (targets.size() <= face)
        targets.resize(face + 1);
    targets[face].push_back(static_cast<uint16_t>(vertex));
}

void Mesh::addVertexWeight(unsigned vertex, const std::string& boneName, float weight) {
    // One spare empty slot past the vertex's four always ends its list.
    const size_t first = size_t(vertex) * SLOTS_PER_VERTEX;
    if (m_VertexWeights.size() <= first + SLOTS_PER_VERTEX)
        m_VertexWeights.resize(first + SLOTS_PER_VERTEX + 1);
    for (size_t slot = first; slot < first + SLOTS_PER_VERTEX; ++slot) {
        VertexWeight& entry = m_VertexWeights[slot];
        if (entry.m_Bone)
            continue;
        entry.m_Bone = &*m_BoneMap.emplace(boneName, nullptr).first;
        entry.m_Weight = weight;
        m_SkinLayout.m_Valid = false;
        return;
    }
}

void Mesh::computeNormals(VertexList* list) {
    if (!list)
        list = m_VertexList;
    for (const MaterialGroup& group : m_MaterialGroups) {
        const FaceList& faces = *group.m_FaceList;
        for (unsigned f = 0; f < faces.getFaceCount(); ++f) {
            const Vector3& p0 = list->getPosition(faces.getIndex(f, 0));
            const Vector3& p1 = list->getPosition(faces.getIndex(f, 1));
            const Vector3& p2 = list->getPosition(faces.getIndex(f, 2));
            // Unnormalised, so larger faces weigh more.
            const Vector3 normal = cross(p1 - p0, p2 - p0);
            if (f >= group.m_NormalTargets.size())
                continue;
            for (uint16_t target : group.m_NormalTargets[f])
                list->setNormal(target, list->getNormal(target) + normal);
        }
    }
}

void Mesh::setBone(const std::string& name, Bone* bone) {
    m_BoneMap[name] = bone;
}

void Mesh::releaseBone(const std::string& name, const Bone* bone) {
    auto found = m_BoneMap.find(name);
    if (found != m_BoneMap.end() && found->second == bone)
        found->second = nullptr;
}

void Mesh::draw(Transformable* transform, Morphable* morphable) {
    const BlendMode blend = m_Transparent ? BLEND_ALPHA : BLEND_NONE;
    for (const MaterialGroup& group : m_MaterialGroups) {
        m_RenderDevice->addToRenderQueue(group.m_FaceList, transform, group.m_Material.m_Texture,
                                         group.m_Material.m_Shader, morphable, blend,
                                         group.m_Material.m_CullBackFaces);
    }
}

bool Mesh::morph(const VertexList& in, VertexList& out) {
    if (!m_RootBone)
        return false;
    if (in.getVertexCount() == 0) {
        KESTREL_ASSERT(in.getVertexCount() > 0);
        return false;
    }
    if (&in != m_VertexList) {
        KESTREL_ASSERT(&in == m_VertexList);
        return false;
    }
    if (!m_SkinLayout.m_Valid)
        prepareSkinLayout();
    if (fetchSkinMatrices())
        morphPrepared(in, out);
    else
        morphWithUnboundBones(in, out);
    return true;
}

void Mesh::prepareSkinLayout() {
    SkinLayout& layout = m_SkinLayout;
    layout.m_Entries.assign(FIRST_BONE_ENTRY, nullptr);
    std::map<const BoneMap::value_type*, uint32_t> tableIndex;
    layout.m_VertexCount = static_cast<unsigned>(m_VertexWeights.size() / SLOTS_PER_VERTEX);
    layout.m_Indices.assign(size_t(layout.m_VertexCount) * SLOTS_PER_VERTEX, EMPTY_ENTRY);
    layout.m_Weights.assign(size_t(layout.m_VertexCount) * SLOTS_PER_VERTEX, 0.0f);
    for (size_t slot = 0; slot < layout.m_Indices.size(); ++slot) {
        BoneMap::value_type* entry = m_VertexWeights[slot].m_Bone;
        if (!entry)
            continue;
        auto found = tableIndex.emplace(entry, static_cast<uint32_t>(layout.m_Entries.size()));
        if (found.second)
            layout.m_Entries.push_back(entry);
        layout.m_Indices[slot] = found.first->second;
        layout.m_Weights[slot] = m_VertexWeights[slot].m_Weight;
    }
    layout.m_Influences = normaliseWeights<SkinInfluences>(layout.m_Indices, layout.m_Weights);
    layout.m_Valid = true;
}

bool Mesh::fetchSkinMatrices() {
    const auto& entries = m_SkinLayout.m_Entries;
    m_SkinColumns.resize(entries.size());
    std::fill(m_SkinColumns[EMPTY_ENTRY].m, m_SkinColumns[EMPTY_ENTRY].m + 16, 0.0f);
    storeColumns(Matrix4::identity(), m_SkinColumns[REST_ENTRY].m);
    bool allBound = true;
    for (size_t i = FIRST_BONE_ENTRY; i < entries.size(); ++i) {
        const Bone* bone = entries[i]->second;
        if (bone)
            storeColumns(bone->getSkinMatrix(), m_SkinColumns[i].m);
        else
            allBound = false;
    }
    return allBound;
}

// Writes every vertex in place (the output keeps its storage between calls);
// vertices beyond the stored weights keep their rest pose.
void Mesh::morphPrepared(const VertexList& in, VertexList& out) const {
    const unsigned count = in.getVertexCount();
    const unsigned skinned = std::min(count, m_SkinLayout.m_VertexCount);
    out.resize(count);
    const Vertex* source = in.data();
    Vertex* target = out.data();
    const SkinInfluences* influences = m_SkinLayout.m_Influences.data();
    const SkinColumns* columns = m_SkinColumns.data();
    for (unsigned i = 0; i < skinned; ++i) {
        const uint32_t* entries = influences[i].m_Entries;
        const float* const matrices[4] = {columns[entries[0]].m, columns[entries[1]].m,
                                          columns[entries[2]].m, columns[entries[3]].m};
        skinVertex(matrices, influences[i], source[i], target[i]);
    }
    std::copy(source + skinned, source + count, target + skinned);
}

// Slots whose name has no bone bound count for nothing, not even in the weight
// sum; rare enough (the game binds every bone) to take the plain path.
void Mesh::morphWithUnboundBones(const VertexList& in, VertexList& out) const {
    const unsigned count = in.getVertexCount();
    out.clear();
    out.reserve(count);
    const unsigned skinned = std::min(count, m_SkinLayout.m_VertexCount);
    for (unsigned i = 0; i < skinned; ++i) {
        const Vector3& p = in.getPosition(i);
        const Vector3& n = in.getNormal(i);
        Vector3 position, normal;
        float weightSum = 0.0f;
        for (unsigned slot = SLOTS_PER_VERTEX * i; slot < SLOTS_PER_VERTEX * (i + 1); ++slot) {
            const uint32_t index = m_SkinLayout.m_Indices[slot];
            if (index == 0)
                break;
            const Bone* bone = m_SkinLayout.m_Entries[index]->second;
            if (!bone)
                continue;
            const float w = m_SkinLayout.m_Weights[slot];
            position += bone->skinPoint(p) * w;
            normal += bone->skinDirection(n) * w;
            weightSum += w;
        }
        const float k = weightScale(weightSum);
        if (k > 0.0f) {
            out.addVertex(position * k, normal * k, in.getTexCoord(i));
        } else {
            out.addVertex(p, n, in.getTexCoord(i));
        }
    }
    for (unsigned i = skinned; i < count; ++i)
        out.addVertex(in.getPosition(i), in.getNormal(i), in.getTexCoord(i));
}

} // namespace Kestrel
