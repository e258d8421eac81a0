// The files the generator writes into build/data, read back through the engine's
// own loaders as the game reads them, on a device that needs no display.
#include "tools/assetgen/data_files.h"
#include "tools/assetgen/mesh_text.h"

#include "app/world.h"
#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/resourcemanager.h"
#include "engine/text.h"
#include "game/flame.h"
#include "support/assertion_recorder.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using Kestrel::Entity;
using Kestrel::Mesh;
using TestSupport::AssertionRecorder;
using TestSupport::RecordingShader;
using TestSupport::RecordingTexture;

namespace {

using namespace AssetTest;

// Heights below are world units, at the game's ant scale.
const float FRAME = 0.016f;

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(useGeneratedData()) << dataDirectory(); }
    void TearDown() override {
        m_Entities.clear();
        Kestrel::ResourceManager::getInstance()->clear();
    }

    Mesh* mesh(const std::string& file) {
        return Kestrel::ResourceManager::getInstance()->loadMesh(file, &m_Device);
    }
    Kestrel::Animation* animation(const std::string& file) {
        return Kestrel::ResourceManager::getInstance()->loadAnimation(file);
    }
    Entity& ant(const std::string& file) {
        m_Entities.push_back(std::make_unique<Entity>(mesh(file)));
        m_Entities.back()->setScale(ANT_SCALE, ANT_SCALE, ANT_SCALE);
        return *m_Entities.back();
    }
    std::vector<std::string> boneNames(const std::string& file) {
        Entity& entity = ant(file);
        std::vector<std::string> names;
        for (unsigned i = 0; i < entity.getBoneCount(); ++i)
            names.push_back(entity.getBone(i)->getName());
        return names;
    }

    // The lowest point of the skinned mesh as it is drawn now.
    float lowestPoint(Entity& entity) {
        Kestrel::VertexList posed(Kestrel::USAGE_DYNAMIC);
        const Kestrel::VertexList& rest = *entity.getMesh()->getVertexList();
        const Kestrel::VertexList& drawn = entity.morph(rest, posed) ? posed : rest;
        float low = std::numeric_limits<float>::max();
        for (unsigned i = 0; i < drawn.getVertexCount(); ++i)
            low = std::min(low, entity.transformPoint(drawn.getPosition(i)).y);
        return low;
    }

    TestSupport::TestRenderDevice m_Device;
    std::vector<std::unique_ptr<Entity>> m_Entities;
};

TEST_F(DataFilesTest, EveryMeshLoadsWithItsTexturesAndShadersAndWithoutMessages) {
    for (const std::string& file : MESH_FILES) {
        AssertionRecorder recorder;
        testing::internal::CaptureStdout();
        Mesh* loaded = mesh(file);
        const std::string printed = testing::internal::GetCapturedStdout();
        ASSERT_NE(loaded, nullptr) << file;
        EXPECT_EQ(printed, "") << file;
        EXPECT_TRUE(recorder.reports().empty()) << file << ": " << recorder.reports().front();
        std::stringstream text;
        text << std::ifstream(dataDirectory() + file).rdbuf();
        const auto named = readMesh(text.str()).materials;
        ASSERT_EQ(loaded->getMaterialCount(), named.size()) << file;
        for (unsigned m = 0; m < named.size(); ++m) {
            const auto name = [&](const char* key) {
                const auto found = named[m].find(key);
                return found == named[m].end() ? std::string() : found->second;
            };
            const Kestrel::Material& material = loaded->getMaterial(m);
            EXPECT_GT(loaded->getFaceList(m)->getFaceCount(), 0u) << file;
            ASSERT_FALSE(name("texture").empty()) << file << " material " << m;
            const auto* texture = dynamic_cast<const RecordingTexture*>(material.m_Texture);
            ASSERT_NE(texture, nullptr) << file << " misses " << name("texture");
            EXPECT_TRUE(texture->m_Created) << name("texture");
            if (name("vertexshader").empty() && name("fragmentshader").empty())
                continue;
            const auto* shader = dynamic_cast<const RecordingShader*>(material.m_Shader);
            ASSERT_NE(shader, nullptr) << file << " material " << m;
            EXPECT_EQ(shader->m_VertexSource.rfind("#version 120", 0), 0u)
                << name("vertexshader") << " is missing or not GLSL 1.20";
            EXPECT_EQ(shader->m_FragmentSource.rfind("#version 120", 0), 0u)
                << name("fragmentshader") << " is missing or not GLSL 1.20";
            EXPECT_NE(shader->m_FragmentSource.find("uniform sampler2D texture;"),
                      std::string::npos)
                << name("fragmentshader") << " samples its colour from \"texture\"";
        }
    }
}

TEST_F(DataFilesTest, AntMeshesShareOneSkeletonWithTheBonesTheGameAsksFor) {
    const std::vector<std::string> soldier = boneNames("ant.kst");
    EXPECT_EQ(boneNames("fireant.kst"), soldier);
    EXPECT_EQ(boneNames("zombieant.kst"), soldier);
    const std::set<std::string> names(soldier.begin(), soldier.end());
    EXPECT_EQ(names.size(), soldier.size()) << "bone names are unique";
    EXPECT_EQ(names.count("Head"), 1u);
    EXPECT_EQ(names.count("RockHand"), 1u);
    int pairs = 0;
    for (const std::string& name : soldier) {
        const std::string other = Kestrel::mirrorBoneName(name);
        EXPECT_EQ(names.count(other), 1u) << name << " has no partner";
        pairs += other != name ? 1 : 0;
    }
    // Six legs of five bones, antennae of two and mandibles.
    EXPECT_GE(pairs / 2, 18);
}

// Non-looping play stops at the last keyframe's start, so only a looping
// animation ever makes its last keyframe current:
//   keyframes  0 ---- 1 ---- 2 ---- 3 (last)
//   once       [0 ......... end]
//   looping    [0 ......................... end]
TEST_F(DataFilesTest, AnimationsMoveOnlyAntBonesAndEveryReachableKeyframeLasts) {
    const std::vector<std::string> bones = boneNames("ant.kst");
    const std::set<std::string> skeleton(bones.begin(), bones.end());
    for (const AnimationUse& use : ANIMATION_USES) {
        Kestrel::Animation* a = animation(use.file);
        ASSERT_NE(a, nullptr) << use.file;
        EXPECT_GT(a->getKeyframeCount(), 1u) << use.file;
        for (const auto& entry : a->getBoneIndices())
            EXPECT_EQ(skeleton.count(entry.first), 1u) << use.file << " names " << entry.first;
        const unsigned count = a->getKeyframeCount();
        for (unsigned k = 0; k < count; ++k)
            if (use.loop || k + 1 < count) {
                EXPECT_GT(a->getDuration(k), 0.0f) << use.file << " keyframe " << k;
            }

        Entity& entity = ant(use.mesh);
        AssertionRecorder recorder;
        const float length = a->getAnimationLength(use.loop);
        for (float t = 0.0f; t <= length; t += 0.01f)
            a->apply(&entity, t, 1.0f, use.loop, false);
        a->apply(&entity, length, 1.0f, use.loop, false);
        EXPECT_TRUE(recorder.reports().empty()) << use.file << ": " << recorder.reports().front();
    }
}

TEST_F(DataFilesTest, AntsKeepOutOfTheGroundAsTheGamePlaysTheirAnimations) {
    for (const AnimationUse& use : ANIMATION_USES) {
        Entity& entity = ant(use.mesh);
        Kestrel::Animation* before = animation(use.after);
        Kestrel::Animation* a = animation(use.file);
        ASSERT_TRUE(before && a) << use.file;
        entity.playAnimation(before, 0.0f, true, false);
        entity.update(FRAME);
        entity.playAnimation(a, use.blendTime, use.loop, false);
        const float length = a->getAnimationLength(use.loop);
        float lowest = 1.0f, highest = -1.0f, lowestAt = 0.0f, highestAt = 0.0f;
        // The pose of one update is drawn after the next.
        for (float t = -FRAME; t < length + FRAME; t += FRAME) {
            entity.update(FRAME);
            const float low = lowestPoint(entity);
            if (low < lowest)
                lowest = low, lowestAt = t;
            if (low > highest)
                highest = low, highestAt = t;
        }
        // A falling ant may scrape the ground with a foot for a moment.
        const float deepest = use.standing ? -0.02f : -0.05f;
        EXPECT_GT(lowest, deepest) << use.file << " sinks into the ground at " << lowestAt << " s";
        if (use.standing) {
            EXPECT_LT(highest, 0.02f) << use.file << " leaves the ground at " << highestAt << " s";
        }
    }
}

TEST_F(DataFilesTest, DeadAntLiesOnItsBackOnTheGround) {
    Entity& entity = ant("ant.kst");
    Kestrel::Animation* death = animation("antdie.ksta");
    ASSERT_NE(death, nullptr);
    entity.playAnimation(death, 0.0f, false, false);
    for (int frame = 0; frame < 3; ++frame)
        entity.update(death->getAnimationLength(false));
    const float low = lowestPoint(entity);
    EXPECT_GT(low, -0.02f);
    EXPECT_LT(low, 0.02f) << "the body rests on the ground";
    // Column 1 of the world matrix is where the thorax's up points.
    const Kestrel::Matrix4& thorax = entity.getBone("Thorax")->getMatrix();
    EXPECT_LT(thorax[5], -0.3f * ANT_SCALE) << "belly up";
}

TEST_F(DataFilesTest, FontAtlasHoldsEveryPrintableCharacter) {
    Kestrel::Text* font =
        Kestrel::ResourceManager::getInstance()->loadText(GAME_FONT_FILE, &m_Device);
    ASSERT_NE(font, nullptr);
    const auto* atlas = dynamic_cast<const RecordingTexture*>(font->getTexture());
    ASSERT_NE(atlas, nullptr);
    ASSERT_EQ(atlas->m_Format, Kestrel::FORMAT_ALPHA);
    ASSERT_EQ(font->getGlyphs().size(), 95u);
    for (const Kestrel::Glyph& g : font->getGlyphs()) {
        EXPECT_GT(g.advance, 0.0f) << char(g.code);
        if (g.code == ' ')
            continue;
        ASSERT_GT(g.bitmapWidth * g.bitmapRows, 0) << char(g.code) << " has no glyph";
        const unsigned x0 = unsigned(g.uLeft * atlas->m_Width + 0.5f);
        const unsigned y0 = unsigned(g.vTop * atlas->m_Height + 0.5f);
        ASSERT_LE(x0 + g.bitmapWidth, atlas->m_Width) << char(g.code);
        ASSERT_LE(y0 + g.bitmapRows, atlas->m_Height) << char(g.code);
        int covered = 0;
        for (unsigned y = y0; y < y0 + g.bitmapRows; ++y)
            for (unsigned x = x0; x < x0 + g.bitmapWidth; ++x)
                covered += atlas->m_Pixels[y * atlas->m_Width + x] > 128 ? 1 : 0;
        EXPECT_GT(covered, 0) << char(g.code) << " is blank in the atlas";
    }
    EXPECT_GT(font->getLineHeight(), 0.8f);
}

// Two textures that no mesh names: the particle cells and the ground.
TEST_F(DataFilesTest, ParticleAndGroundTexturesLoad) {
    Kestrel::ResourceManager* cache = Kestrel::ResourceManager::getInstance();
    const auto* particles =
        dynamic_cast<const RecordingTexture*>(cache->loadTexture("particle.png", &m_Device));
    ASSERT_NE(particles, nullptr);
    ASSERT_EQ(particles->m_Format, Kestrel::FORMAT_RGBA);
    const auto alpha = [&](const Kestrel::Vector2& min, const Kestrel::Vector2& max) {
        return highestAlpha(particles->m_Pixels, particles->m_Width, particles->m_Height, min.u,
                            min.v, max.u, max.v);
    };
    EXPECT_GT(alpha(FLAME_CELL_MIN, FLAME_CELL_MAX), 150) << "flame";
    EXPECT_GT(alpha(SMOKE_CELL_MIN, SMOKE_CELL_MAX), 150) << "smoke";
    EXPECT_LT(alpha({0.27f, 0.0f}, {0.73f, 0.25f}), 8) << "between the cells";

    const auto* ground =
        dynamic_cast<const RecordingTexture*>(cache->loadTexture("centerterrain.png", &m_Device));
    ASSERT_NE(ground, nullptr);
    EXPECT_TRUE(ground->m_Created);
    EXPECT_EQ(ground->m_Width, ground->m_Height);
}

} // namespace
