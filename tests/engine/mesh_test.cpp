#include "engine/mesh.h"

#include "engine/bone.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/transformable.h"

#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

using Kestrel::Bone;
using Kestrel::Material;
using Kestrel::Mesh;
using Kestrel::Vector2;
using Kestrel::Vector3;
using Kestrel::VertexList;
using TestSupport::near;

namespace {

const float PI = 3.14159265f;
const Vector3 GARBAGE(-777, 888, -999);

void fillWithGarbage(VertexList& list) {
    for (int i = 0; i < 3; ++i)
        list.addVertex(GARBAGE, GARBAGE, {-5, -5});
}

// Bone A at the origin keeps the rest pose; its child B, head (1, 0, 0), is
// turned by pi about y: (x, y, z) -> (2 - x, y, -z).
class SkinningTest : public ::testing::Test {
protected:
    SkinningTest() {
        a->setTail({0, 0, 1});
        b->setTail({0, 0, 1});
        b->setPosition(1, 0, 0);
        b->setRotation(0, PI, 0);
        b->setParent(a);
        a->update(0.0f);
        mesh.setRootBone(a);
        mesh.setBone("A", a);
        mesh.setBone("B", b);
    }

    unsigned addVertex(const Vector3& p, const Vector3& n = {0, 1, 0}) {
        return mesh.getVertexList()->addVertex(p, n, {0.25f, 0.75f});
    }

    TestSupport::TestRenderDevice device;
    Mesh mesh{&device};
    Bone* a = new Bone("A");
    Bone* b = new Bone("B");
};

// Each row is one vertex at REST, every name bound; only the first four
// influences count, and weights are divided by their sum unless it is not a
// usable positive number.
TEST_F(SkinningTest, WeightsBlendTheBonesOrLeaveTheRestPose) {
    const Vector3 REST(0.5f, -2, 3), NORMAL(0.6f, 0, 0.8f);
    const Vector3 TURNED(1.5f, -2, -3), TURNED_NORMAL(-0.6f, 0, -0.8f);
    const struct {
        std::vector<std::pair<const char*, float>> weights;
        Vector3 position, normal;
    } cases[] = {
        {{{"A", 0.5f}, {"B", 0.5f}}, {1, -2, 0}, {0, 0, 0}},
        {{{"B", 2.0f}}, TURNED, TURNED_NORMAL},
        {{{"A", 1.0f}, {"B", 3.0f}}, {1.25f, -2, -1.5f}, {-0.3f, 0, -0.4f}},
        {{{"A", 1.0f}, {"A", 1.0f}, {"A", 1.0f}, {"A", 1.0f}, {"B", 100.0f}}, REST, NORMAL},
        {{{"A", 1.0f}, {"B", -1.0f}}, REST, NORMAL},
        {{{"A", 1.0f}, {"B", INFINITY}}, REST, NORMAL},
        {{{"B", 1e-40f}}, REST, NORMAL}, // an inverse too large for a float
        {{}, REST, NORMAL},              // beyond the stored weights
    };
    for (const auto& c : cases) {
        const unsigned vertex = addVertex(REST, NORMAL);
        for (const auto& [bone, weight] : c.weights)
            mesh.addVertexWeight(vertex, bone, weight);
    }
    EXPECT_EQ(mesh.getVertexWeightSlotCount(), 4u * 6 + 5);
    // Then again with a name no bone is bound to, which takes the slower path.
    for (unsigned extra : {0u, 1u}) {
        if (extra)
            mesh.addVertexWeight(addVertex(REST, NORMAL), "Unbound", 1.0f);
        VertexList out(Kestrel::USAGE_DYNAMIC);
        fillWithGarbage(out);
        ASSERT_TRUE(mesh.morph(*mesh.getVertexList(), out));
        ASSERT_EQ(out.getVertexCount(), std::size(cases) + extra);
        for (unsigned i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(near(out.getPosition(i), cases[i].position));
            EXPECT_TRUE(near(out.getNormal(i), cases[i].normal));
            EXPECT_EQ(out.getTexCoord(i), Vector2(0.25f, 0.75f));
        }
    }
}

TEST_F(SkinningTest, MorphRefusesWhatItCannotDeform) {
    TestSupport::AssertionRecorder recorder;
    VertexList out(Kestrel::USAGE_DYNAMIC);
    fillWithGarbage(out);
    EXPECT_FALSE(mesh.morph(*mesh.getVertexList(), out));
    EXPECT_TRUE(recorder.reported("in.getVertexCount() > 0"));

    addVertex({0, 0, 0});
    VertexList foreign(Kestrel::USAGE_STATIC);
    foreign.addVertex({0, 0, 0}, {0, 1, 0}, {0, 0});
    EXPECT_FALSE(mesh.morph(foreign, out));
    EXPECT_TRUE(recorder.reported("&in == m_VertexList"));

    // Without a skeleton there is nothing to deform, and that is no error.
    Mesh bare(&device);
    bare.getVertexList()->addVertex({0, 0, 0}, {0, 1, 0}, {0, 0});
    recorder.clear();
    EXPECT_FALSE(bare.morph(*bare.getVertexList(), out));
    EXPECT_TRUE(recorder.reports().empty());
    ASSERT_EQ(out.getVertexCount(), 3u);
    EXPECT_EQ(out.getPosition(0), GARBAGE);
}

// The face count is 16 bits wide: a face past it would wrap the count to 0.
TEST(MeshTest, FaceListRefusesFacesPastItsCount) {
    Kestrel::FaceList faces(nullptr, Kestrel::USAGE_STATIC);
    TestSupport::AssertionRecorder recorder;
    for (unsigned i = 0; i < 65536; ++i)
        faces.addFace(0, 1, 2);
    EXPECT_EQ(faces.getFaceCount(), 65535u);
    EXPECT_EQ(recorder.reports(), std::vector<std::string>{"m_Faces.size() < MAX_FACES"});
}

TEST(MeshTest, ComputeNormalsAddsTheFaceNormalToItsTargets) {
    TestSupport::TestRenderDevice device;
    Mesh mesh(&device);
    VertexList& list = *mesh.getVertexList();
    list.addVertex({1, 1, 1}, {1, 1, 1}, {0, 0});
    list.addVertex({2, 1, 1}, {1, 1, 1}, {0, 0});
    list.addVertex({1, 2, 1}, {1, 1, 1}, {0, 0});
    list.addVertex({5, 5, 5}, {1, 1, 1}, {0, 0});
    mesh.addMaterial(Material())->addFace(0, 1, 2);
    for (unsigned corner : {0u, 1u, 2u})
        mesh.addFaceVertex(0, 0, corner);
    mesh.computeNormals();
    for (unsigned i : {0u, 1u, 2u})
        EXPECT_TRUE(near(list.getNormal(i), {1, 1, 2})) << "vertex " << i;
    EXPECT_EQ(list.getNormal(3), Vector3(1, 1, 1));
}

// One item per material, in order, each with its own culling; a transparent
// mesh blends them all.
TEST(MeshTest, DrawQueuesEveryMaterialAsItAsks) {
    TestSupport::TestRenderDevice device;
    Mesh mesh(&device);
    Material closed;
    closed.m_CullBackFaces = true;
    const Kestrel::FaceList* lists[] = {mesh.addMaterial(closed), mesh.addMaterial(Material())};
    Kestrel::Transformable placement;
    mesh.draw(&placement, &mesh);
    mesh.m_Transparent = true;
    mesh.draw(&placement, &mesh);
    const std::vector<Kestrel::RenderItem>& queue = device.getRenderQueue();
    ASSERT_EQ(queue.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(queue[i].faceList, lists[i % 2]) << i;
        EXPECT_EQ(queue[i].cullBackFaces, i % 2 == 0) << i;
        EXPECT_EQ(queue[i].blendMode, i < 2 ? Kestrel::BLEND_NONE : Kestrel::BLEND_ALPHA) << i;
        EXPECT_EQ(queue[i].transform, &placement) << i;
        EXPECT_EQ(queue[i].morphable, &mesh) << i;
    }
}

// The skinning exactly as defined: each bound bone transforms the vertex, the
// results are weighted, and the sum is divided by the weight sum.
void referenceMorph(const Mesh& mesh, const VertexList& in, VertexList& out) {
    out.clear();
    for (unsigned i = 0; i < in.getVertexCount(); ++i) {
        const Vector3& p = in.getPosition(i);
        const Vector3& n = in.getNormal(i);
        Vector3 position, normal;
        float weightSum = 0.0f;
        for (unsigned slot = 4 * i; slot < 4 * i + 4 && slot < mesh.getVertexWeightSlotCount();
             ++slot) {
            const Mesh::VertexWeight& weight = mesh.getVertexWeight(slot);
            if (!weight.m_Bone)
                break;
            const Bone* bone = weight.m_Bone->second;
            if (!bone)
                continue;
            position += bone->skinPoint(p) * weight.m_Weight;
            normal += bone->skinDirection(n) * weight.m_Weight;
            weightSum += weight.m_Weight;
        }
        if (weightSum > 0.0f)
            out.addVertex(position * (1.0f / weightSum), normal * (1.0f / weightSum),
                          in.getTexCoord(i));
        else
            out.addVertex(p, n, in.getTexCoord(i));
    }
}

void expectSameSkinning(Mesh& mesh) {
    VertexList fast(Kestrel::USAGE_DYNAMIC), reference(Kestrel::USAGE_DYNAMIC);
    fillWithGarbage(fast);
    ASSERT_TRUE(mesh.morph(*mesh.getVertexList(), fast));
    referenceMorph(mesh, *mesh.getVertexList(), reference);
    ASSERT_EQ(fast.getVertexCount(), reference.getVertexCount());
    for (unsigned i = 0; i < fast.getVertexCount(); ++i) {
        const Vector3 p = reference.getPosition(i), n = reference.getNormal(i);
        const float scale = std::max({1.0f, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z),
                                      std::fabs(n.x), std::fabs(n.y), std::fabs(n.z)});
        ASSERT_TRUE(near(fast.getPosition(i), p, 1e-5f * scale)) << "vertex " << i;
        ASSERT_TRUE(near(fast.getNormal(i), n, 1e-5f * scale)) << "vertex " << i;
        ASSERT_EQ(fast.getTexCoord(i), reference.getTexCoord(i));
    }
}

// A random skeleton: each bone hangs under a random earlier one.
std::vector<Bone*> randomSkeleton(std::mt19937& random, unsigned count) {
    std::uniform_real_distribution<float> offset(-1.0f, 1.0f);
    std::vector<Bone*> bones;
    for (unsigned i = 0; i < count; ++i) {
        Bone* bone = new Bone("bone" + std::to_string(i));
        bone->setTail({offset(random), offset(random), offset(random) + 2.0f});
        if (i > 0) {
            bone->setPosition(offset(random), offset(random), offset(random));
            bone->setParent(bones[std::uniform_int_distribution<unsigned>(0, i - 1)(random)]);
        }
        bones.push_back(bone);
    }
    return bones;
}

// Poses the bones at random and binds them to the mesh under their names.
void randomPose(std::mt19937& random, const std::vector<Bone*>& bones, Mesh& mesh) {
    std::uniform_real_distribution<float> angle(-PI, PI);
    for (Bone* bone : bones) {
        bone->setRotation(angle(random), angle(random), angle(random));
        mesh.setBone(bone->getName(), bone);
    }
    bones.front()->update(0.0f);
}

TEST(MeshTest, FastSkinningMatchesTheStraightforwardOne) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        const unsigned boneCount = 30;
        TestSupport::TestRenderDevice device;
        Mesh mesh(&device);
        const std::vector<Bone*> bones = randomSkeleton(random, boneCount);
        mesh.setRootBone(bones.front());

        std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
        std::uniform_real_distribution<float> weight(0.05f, 1.0f);
        std::uniform_int_distribution<unsigned> boneIndex(0, boneCount - 1);
        std::uniform_int_distribution<unsigned> influences(0, 6);
        const unsigned vertexCount = 3000;
        for (unsigned v = 0; v < vertexCount; ++v) {
            mesh.getVertexList()->addVertex(
                {coordinate(random), coordinate(random), coordinate(random)},
                {coordinate(random), coordinate(random), coordinate(random)}, {float(v), 0});
            // The last vertices get no weights and lie beyond the stored ones.
            const unsigned count = v < vertexCount - 10 ? influences(random) : 0;
            for (unsigned k = 0; k < count; ++k)
                mesh.addVertexWeight(v, "bone" + std::to_string(boneIndex(random)), weight(random));
        }

        randomPose(random, bones, mesh);
        expectSameSkinning(mesh);

        // Another entity's skeleton takes over the names, as before each draw.
        Bone other(*bones.front());
        std::vector<Bone*> otherBones{&other};
        for (unsigned i = 1; i < boneCount; ++i)
            otherBones.push_back(other.findBone(bones[i]->getName()));
        randomPose(random, otherBones, mesh);
        expectSameSkinning(mesh);

        // A name left without bone counts for nothing.
        mesh.setBone("bone7", nullptr);
        expectSameSkinning(mesh);
    }
}

} // namespace
