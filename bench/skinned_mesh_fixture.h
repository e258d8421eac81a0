// A skinned mesh for the skinning benchmarks: a 30-bone skeleton (a spine of
// ten with two ten-bone limbs), random vertices in the unit cube with four
// random influences each, and an entity in a bent pose whose bones are bound.
// Owns its device, mesh and entity; positions in mesh space.
#pragma once

#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/vertexlist.h"
#include "tests/support/list_only_device.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace BenchSupport {

const unsigned SKELETON_BONES = 30;
const unsigned INFLUENCES = 4;

inline std::string boneName(unsigned i) {
    return "bone" + std::to_string(i);
}

inline Kestrel::Bone* makeSkeleton(unsigned count) {
    std::vector<Kestrel::Bone*> bones;
    for (unsigned i = 0; i < count; ++i) {
        auto* bone = new Kestrel::Bone(boneName(i));
        bone->setTail({0.1f, 0.2f, 1.0f});
        if (i > 0) {
            bone->setPosition(0.1f, 0.2f, 1.0f);
            bone->setParent(bones[i % 10 == 0 ? 0 : i - 1]);
        }
        bones.push_back(bone);
    }
    return bones.front();
}

struct SkinnedMesh {
    explicit SkinnedMesh(unsigned vertexCount) : m_Mesh(&m_Device) {
        m_Mesh.setRootBone(makeSkeleton(SKELETON_BONES));
        std::mt19937 random(7);
        std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
        std::uniform_int_distribution<unsigned> bone(0, SKELETON_BONES - 1);
        for (unsigned v = 0; v < vertexCount; ++v) {
            m_Mesh.getVertexList()->addVertex(
                {coordinate(random), coordinate(random), coordinate(random)},
                {coordinate(random), coordinate(random), coordinate(random)},
                {coordinate(random), coordinate(random)});
            for (unsigned k = 0; k < INFLUENCES; ++k) {
                m_BoneIndices.push_back(bone(random));
                m_Weights.push_back(0.25f + 0.1f * float(k));
                m_Mesh.addVertexWeight(v, boneName(m_BoneIndices.back()), m_Weights.back());
            }
        }
        m_Entity.reset(new Kestrel::Entity(&m_Mesh));
        for (unsigned i = 0; i < SKELETON_BONES; ++i)
            m_Entity->getBone(i)->setRotation(0.1f * float(i), 0.2f, -0.05f * float(i));
        m_Entity->update(0.016f);
    }

    TestSupport::ListOnlyDevice m_Device;
    Kestrel::Mesh m_Mesh;
    std::unique_ptr<Kestrel::Entity> m_Entity;
    // Bone number and weight of each influence, four per vertex.
    std::vector<unsigned> m_BoneIndices;
    std::vector<float> m_Weights;
};

} // namespace BenchSupport
