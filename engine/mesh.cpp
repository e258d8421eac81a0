#include "engine/mesh.h"

#include "engine/assert.h"
#include "engine/bone.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"

#include <algorithm>
#include <map>

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

// The weights divided by their sum, as skinning with every bone bound needs
// them; zero for a vertex whose weights do not add up to more than zero.
std::vector<float> normaliseWeights(const std::vector<uint32_t>& indices,
                                    const std::vector<float>& weights) {
    std::vector<float> normalised(weights.size(), 0.0f);
    for (size_t first = 0; first < weights.size(); first += SLOTS_PER_VERTEX) {
        float sum = 0.0f;
        for (size_t slot = first; slot < first + SLOTS_PER_VERTEX && indices[slot]; ++slot)
            sum += weights[slot];
        if (!(sum > 0.0f))
            continue;
        const float k = 1.0f / sum;
        for (size_t slot = first; slot < first + SLOTS_PER_VERTEX; ++slot)
            normalised[slot] = weights[slot] * k;
    }
    return normalised;
}

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
                                         group.m_Material.m_Shader, morphable, blend);
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
    out.clear();
    out.reserve(in.getVertexCount());
    if (fetchSkinMatrices())
        morphPrepared(in, out);
    else
        morphWithUnboundBones(in, out);
    return true;
}

void Mesh::prepareSkinLayout() {
    SkinLayout& layout = m_SkinLayout;
    layout.m_Entries.assign(1, nullptr);
    std::map<const BoneMap::value_type*, uint32_t> tableIndex;
    layout.m_VertexCount = static_cast<unsigned>(m_VertexWeights.size() / SLOTS_PER_VERTEX);
    layout.m_Indices.assign(size_t(layout.m_VertexCount) * SLOTS_PER_VERTEX, 0);
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
    layout.m_NormalisedWeights = normaliseWeights(layout.m_Indices, layout.m_Weights);
    layout.m_Valid = true;
}

bool Mesh::fetchSkinMatrices() {
    const auto& entries = m_SkinLayout.m_Entries;
    m_SkinColumns.resize(entries.size());
    std::fill(m_SkinColumns[0].m, m_SkinColumns[0].m + 16, 0.0f);
    bool allBound = true;
    for (size_t i = 1; i < entries.size(); ++i) {
        const Bone* bone = entries[i]->second;
        if (bone)
            storeColumns(bone->getSkinMatrix(), m_SkinColumns[i].m);
        else
            allBound = false;
    }
    return allBound;
}

// Blends the four skin matrices first and transforms once: the same sum as
// transforming by each bone and weighting, in fewer operations. The weights are
// already divided by their sum. Each fixed loop over the four rows is one
// vector operation for the compiler; row 3 yields the weight sum.
void Mesh::morphPrepared(const VertexList& in, VertexList& out) const {
    const unsigned count = in.getVertexCount();
    const unsigned skinned = std::min(count, m_SkinLayout.m_VertexCount);
    const Vertex* source = in.data();
    const uint32_t* indices = m_SkinLayout.m_Indices.data();
    const float* weights = m_SkinLayout.m_NormalisedWeights.data();
    const SkinColumns* columns = m_SkinColumns.data();
    for (unsigned i = 0; i < skinned; ++i) {
        const float* m0 = columns[indices[4 * i + 0]].m;
        const float* m1 = columns[indices[4 * i + 1]].m;
        const float* m2 = columns[indices[4 * i + 2]].m;
        const float* m3 = columns[indices[4 * i + 3]].m;
        const float w0 = weights[4 * i + 0], w1 = weights[4 * i + 1];
        const float w2 = weights[4 * i + 2], w3 = weights[4 * i + 3];
        const Vertex& v = source[i];
        alignas(16) float p[4];
        alignas(16) float n[4];
        for (int r = 0; r < 4; ++r) {
            const float c0 = w0 * m0[r] + w1 * m1[r] + w2 * m2[r] + w3 * m3[r];
            const float c1 = w0 * m0[4 + r] + w1 * m1[4 + r] + w2 * m2[4 + r] + w3 * m3[4 + r];
            const float c2 = w0 * m0[8 + r] + w1 * m1[8 + r] + w2 * m2[8 + r] + w3 * m3[8 + r];
            const float c3 = w0 * m0[12 + r] + w1 * m1[12 + r] + w2 * m2[12 + r] + w3 * m3[12 + r];
            p[r] = c0 * v.position.x + c1 * v.position.y + c2 * v.position.z + c3;
            n[r] = c0 * v.normal.x + c1 * v.normal.y + c2 * v.normal.z;
        }
        // Vertices without usable influence have no weights here.
        if (p[3] > 0.0f)
            out.addVertex({p[0], p[1], p[2]}, {n[0], n[1], n[2]}, v.texCoord);
        else
            out.addVertex(v.position, v.normal, v.texCoord);
    }
    for (unsigned i = skinned; i < count; ++i)
        out.addVertex(source[i].position, source[i].normal, source[i].texCoord);
}

// Slots whose name has no bone bound count for nothing, not even in the weight
// sum; rare enough (the game binds every bone) to take the plain path.
void Mesh::morphWithUnboundBones(const VertexList& in, VertexList& out) const {
    const unsigned count = in.getVertexCount();
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
        if (weightSum > 0.0f) {
            const float k = 1.0f / weightSum;
            out.addVertex(position * k, normal * k, in.getTexCoord(i));
        } else {
            out.addVertex(p, n, in.getTexCoord(i));
        }
    }
    for (unsigned i = skinned; i < count; ++i)
        out.addVertex(in.getPosition(i), in.getNormal(i), in.getTexCoord(i));
}

} // namespace Kestrel
