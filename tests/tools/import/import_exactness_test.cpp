// Imports real models and plays every animation through the engine's whole
// path (.kst/.ksta files, loader, entity, animation stack, Mesh::morph),
// comparing each vertex with where assimp's own evaluation of the source puts
// it: at every source key time and half-way between keys.
#include "tools/import/convert.h"
#include "tools/import/source_pose.h"
#include "tools/import/write.h"

#include "engine/animation.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"

#include "support/temp_dir.h"
#include "support/test_render_device.h"

#include <assimp/Importer.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

using namespace KestrelImport;

namespace {

const std::string MODELS = "/usr/share/assimp/models/";

struct Influence {
    const aiNode* m_Node;
    Matrix4d m_Offset;
    double m_Weight;
};

// The largest distances, as fractions of the diagonal, over one kind of time.
struct Figures {
    double m_AtKeys = 0.0;
    double m_HalfWay = 0.0;
    double m_Crowded = 0.0; // vertices with more than four influences, at keys
};

class ExactnessCheck {
public:
    ExactnessCheck(const aiScene& scene, const ImportedModel& model, Kestrel::Mesh& mesh)
        : m_Scene(scene), m_Model(model), m_Mesh(mesh), m_Pose(scene, 1.0) {
        mapRenderVertices();
        collectInfluences();
        for (const std::string& name : model.m_MovingNodes)
            holdAtBind(scene.mRootNode->FindNode(name.c_str()));
    }

    void run(const aiAnimation& source, Kestrel::Animation* animation, Figures& figures) {
        const double perSecond = ticksPerSecond(source);
        const std::vector<double> keys = keyTicks(source);
        Kestrel::Entity entity(&m_Mesh);
        for (size_t k = 0; k < keys.size(); ++k) {
            const double error =
                compare(entity, source, animation, keys[k], perSecond, &figures.m_Crowded);
            figures.m_AtKeys = std::max(figures.m_AtKeys, error);
            if (k + 1 < keys.size()) {
                const double half = 0.5 * (keys[k] + keys[k + 1]);
                figures.m_HalfWay = std::max(figures.m_HalfWay, compare(entity, source, animation,
                                                                        half, perSecond, nullptr));
            }
        }
    }

private:
    // Render vertices come from file vertices in the order of material, triangle and corner.
    void mapRenderVertices() {
        std::vector<bool> seen(m_Model.m_Vertices.size(), false);
        for (unsigned m = 0; m < m_Model.m_Materials.size(); ++m)
            for (const TriangleOutput& triangle : m_Model.m_Triangles)
                for (unsigned c = 0; c < 3 && triangle.m_Material == m; ++c)
                    if (!seen[triangle.m_Vertices[c]]) {
                        seen[triangle.m_Vertices[c]] = true;
                        m_RenderToFile.push_back(triangle.m_Vertices[c]);
                    }
        const Kestrel::VertexList& rest = *m_Mesh.getVertexList();
        EXPECT_EQ(m_RenderToFile.size(), rest.getVertexCount());
        Kestrel::Vector3 low = rest.getPosition(0), high = low;
        for (unsigned i = 0; i < rest.getVertexCount(); ++i) {
            const Kestrel::Vector3 p = rest.getPosition(i);
            low =
                Kestrel::Vector3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
            high = Kestrel::Vector3(std::max(high.x, p.x), std::max(high.y, p.y),
                                    std::max(high.z, p.z));
        }
        m_Diagonal = (high - low).length();
        const Kestrel::Vector3 head =
            m_Model.m_Bones.empty() ? Kestrel::Vector3() : m_Model.m_Bones[0].m_Head;
        m_Origin = Vector3d(head.x, head.y, head.z);
    }

    void collectInfluences() {
        m_Influences.resize(m_Scene.mNumMeshes);
        for (unsigned m = 0; m < m_Scene.mNumMeshes; ++m) {
            const aiMesh& mesh = *m_Scene.mMeshes[m];
            m_Influences[m].resize(mesh.mNumVertices);
            for (unsigned b = 0; b < mesh.mNumBones; ++b)
                for (unsigned w = 0; w < mesh.mBones[b]->mNumWeights; ++w)
                    if (m_Scene.mRootNode->FindNode(mesh.mBones[b]->mName))
                        m_Influences[m][mesh.mBones[b]->mWeights[w].mVertexId].push_back(
                            {m_Scene.mRootNode->FindNode(mesh.mBones[b]->mName),
                             toDouble(mesh.mBones[b]->mOffsetMatrix),
                             mesh.mBones[b]->mWeights[w].mWeight});
        }
    }

    // A bone's bind frame, from the first mesh that names it.
    bool bindFrame(const aiNode* node, const aiNode* holder, Matrix4d& frame) const {
        for (unsigned i = 0; i < holder->mNumMeshes; ++i) {
            const aiMesh& mesh = *m_Scene.mMeshes[holder->mMeshes[i]];
            for (unsigned b = 0; b < mesh.mNumBones; ++b)
                if (mesh.mBones[b]->mName == node->mName) {
                    frame = m_Pose.restGlobal(holder) *
                            toDouble(mesh.mBones[b]->mOffsetMatrix).Inverse();
                    return true;
                }
        }
        for (unsigned c = 0; c < holder->mNumChildren; ++c)
            if (bindFrame(node, holder->mChildren[c], frame))
                return true;
        return false;
    }

    // A lost translation stays where the bind pose puts the node in its parent.
    void holdAtBind(const aiNode* node) {
        Matrix4d own, parent;
        if (bindFrame(node, m_Scene.mRootNode, own) &&
            bindFrame(node->mParent, m_Scene.mRootNode, parent))
            m_Held[node] = origin(parent.Inverse() * own);
        else
            m_Held[node] = origin(toDouble(node->mTransformation));
    }

    std::vector<double> keyTicks(const aiAnimation& source) const {
        std::vector<double> ticks;
        for (unsigned c = 0; c < source.mNumChannels; ++c)
            addKeyTicks(*source.mChannels[c], ticks);
        std::sort(ticks.begin(), ticks.end());
        ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
        return ticks;
    }

    Vector3d sourcePosition(const VertexOutput& vertex, size_t& influenceCount) const {
        const aiMesh& mesh = *m_Scene.mMeshes[vertex.m_SourceMesh];
        const aiVector3D& v = mesh.mVertices[vertex.m_SourceVertex];
        const Vector3d p(v.x, v.y, v.z);
        const auto& influences = m_Influences[vertex.m_SourceMesh][vertex.m_SourceVertex];
        influenceCount = influences.size();
        if (mesh.mNumBones == 0)
            return m_Pose.global(static_cast<const aiNode*>(vertex.m_SourceNode)) * p;
        Vector3d sum;
        double total = 0.0;
        for (const Influence& influence : influences) {
            sum += (m_Pose.global(influence.m_Node) * influence.m_Offset * p) * influence.m_Weight;
            total += influence.m_Weight;
        }
        return total > 0.0 ? sum / total : p;
    }

    // The largest distance at ticks over vertices of at most four influences
    // (those with more go to crowded, when given).
    double compare(Kestrel::Entity& entity, const aiAnimation& source,
                   Kestrel::Animation* animation, double ticks, double perSecond, double* crowded) {
        m_Pose.evaluate(&source, ticks, m_Held);
        entity.playAnimation(animation, 0.0f, false, false);
        entity.update(float(ticks / perSecond));
        entity.update(0.0f);
        Kestrel::VertexList posed(1);
        EXPECT_TRUE(entity.morph(*m_Mesh.getVertexList(), posed));
        double worst = 0.0;
        for (size_t i = 0; i < m_RenderToFile.size() && i < posed.getVertexCount(); ++i) {
            size_t count = 0;
            const Vector3d expected = sourcePosition(m_Model.m_Vertices[m_RenderToFile[i]], count);
            const Kestrel::Vector3 p = posed.getPosition(unsigned(i));
            const double error =
                (Vector3d(p.x, p.y, p.z) + m_Origin - expected).Length() / m_Diagonal;
            if (count <= 4)
                worst = std::max(worst, error);
            else if (crowded)
                *crowded = std::max(*crowded, error);
        }
        return worst;
    }

    const aiScene& m_Scene;
    const ImportedModel& m_Model;
    Kestrel::Mesh& m_Mesh;
    SourcePose m_Pose;
    std::map<const aiNode*, Vector3d> m_Held;
    std::vector<unsigned> m_RenderToFile;
    std::vector<std::vector<std::vector<Influence>>> m_Influences;
    double m_Diagonal = 1.0;
    Vector3d m_Origin;
};

// A model, and the share of its source key times that thinning may keep at
// most (refinement, four halvings deep, adds keys where motion is sparse).
struct ExactnessCase {
    const char* m_Path;
    double m_KeptShare;
};

class ImportExactnessTest : public ::testing::TestWithParam<ExactnessCase> {};

TEST_P(ImportExactnessTest, EnginePoseFollowsTheSourceAtAndBetweenKeys) {
    const std::string path = MODELS + GetParam().m_Path;
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << path << " is not installed (assimp-testmodels)";
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, readFlags());
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ImportOptions options;
    options.m_Name = "model";
    ImportedModel model;
    std::string error;
    ASSERT_TRUE(importScene(*scene, path, options, model, error)) << error;
    TestSupport::TempDir directory;
    ASSERT_TRUE(writeModel(model, directory.path(), "model", error)) << error;

    // Textures resolve through the engine's one cache, emptied again at the end.
    TestSupport::TestRenderDevice device;
    Kestrel::ResourceManager& resources = *Kestrel::ResourceManager::getInstance();
    resources.addSearchPath(directory.path());
    Kestrel::Mesh* mesh = resources.loadMesh(directory.file("model.kst"), &device);
    ASSERT_NE(mesh, nullptr);
    ASSERT_FALSE(model.m_Animations.empty());
    Figures figures;
    {
        ExactnessCheck check(*scene, model, *mesh);
        for (const AnimationOutput& output : model.m_Animations) {
            Kestrel::Animation* animation =
                resources.loadAnimation(directory.file("model_" + output.m_Name + ".ksta"));
            ASSERT_NE(animation, nullptr);
            check.run(*scene->mAnimations[output.m_SourceIndex], animation, figures);
        }
    }
    resources.clear();
    std::printf("%s: %.4f %% at keys, %.4f %% half-way, %.4f %% with more than four influences\n",
                GetParam().m_Path, figures.m_AtKeys * 100, figures.m_HalfWay * 100,
                figures.m_Crowded * 100);
    EXPECT_LE(figures.m_AtKeys, 0.001);
    EXPECT_LE(figures.m_HalfWay, 0.01);
    for (const AnimationOutput& output : model.m_Animations)
        EXPECT_LE(output.m_Keyframes.size(), GetParam().m_KeptShare * output.m_SourceKeyCount + 2)
            << output.m_Name;
}

// Motion capture at 120 keys a second thins well below its key count.
INSTANTIATE_TEST_SUITE_P(
    Models, ImportExactnessTest,
    ::testing::Values(ExactnessCase{"glTF2/simple_skin/simple_skin.gltf", 16},
                      ExactnessCase{"X/anim_test.x", 16}, ExactnessCase{"3DS/RotatingCube.3DS", 4},
                      ExactnessCase{"X/BCN_Epileptic.X", 16}, ExactnessCase{"X/Testwuson.X", 4},
                      ExactnessCase{"FBX/animation_with_skeleton.fbx", 16},
                      ExactnessCase{"FBX/huesitos.fbx", 16}, ExactnessCase{"BVH/01_01.bvh", 0.75},
                      ExactnessCase{"Collada/box_nested_animation.dae", 16}));

} // namespace
