// The files the generator writes into build/data, read back through the engine's
// own loaders as the game reads them: on a recording device that needs no
// display, and on the OpenGL device for what only a real driver checks.
#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/text.h"
#include "game/animation_uses.h"
#include "game/flame.h"
#include "support/assertion_recorder.h"
#include "support/captured_output.h"
#include "support/game_fixture.h"
#include "support/test_render_device.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace Kestrel;
using namespace TestSupport;

namespace {

// The generated files of one kind. Heights below are world units, at the game's ant scale.
std::vector<std::string> generated(const std::string& extension) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dataDirectory()))
        if (entry.path().extension() == extension)
            names.push_back(entry.path().filename().string());
    return names;
}

ResourceManager& cache() {
    return *ResourceManager::getInstance();
}

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override { useGeneratedData(); }
    void TearDown() override {
        m_Entities.clear();
        cache().clear();
    }

    Mesh* mesh(const std::string& file) { return cache().loadMesh(file, &m_Device); }
    Animation* animation(const std::string& file) { return cache().loadAnimation(file); }
    const RecordingTexture* texture(const std::string& file) {
        return dynamic_cast<const RecordingTexture*>(cache().loadTexture(file, &m_Device));
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
        VertexList posed(USAGE_DYNAMIC);
        const VertexList& rest = *entity.getMesh()->getVertexList();
        const VertexList& drawn = entity.morph(rest, posed) ? posed : rest;
        float low = std::numeric_limits<float>::max();
        for (unsigned i = 0; i < drawn.getVertexCount(); ++i)
            low = std::min(low, entity.transformPoint(drawn.getPosition(i)).y);
        return low;
    }

    TestRenderDevice m_Device;
    std::vector<std::unique_ptr<Entity>> m_Entities;
};

TEST_F(DataFilesTest, EveryFileLoadsWithItsTexturesAndShadersAndWithoutMessages) {
    const std::vector<std::string> meshes = generated(".kst");
    EXPECT_GE(meshes.size(), 11u);
    AssertionRecorder recorder;
    const std::string output = capturedStdout([&] {
        for (const std::string& file : meshes) {
            Mesh* loaded = mesh(file);
            ASSERT_NE(loaded, nullptr) << file;
            ASSERT_GT(loaded->getMaterialCount(), 0u) << file;
            for (unsigned m = 0; m < loaded->getMaterialCount(); ++m) {
                const Material& material = loaded->getMaterial(m);
                EXPECT_GT(loaded->getFaceList(m)->getFaceCount(), 0u) << file;
                const auto* texture = dynamic_cast<const RecordingTexture*>(material.m_Texture);
                ASSERT_NE(texture, nullptr) << file << " material " << m;
                EXPECT_TRUE(texture->m_Created) << file;
                const auto* shader = dynamic_cast<const RecordingShader*>(material.m_Shader);
                if (!shader)
                    continue;
                EXPECT_EQ(shader->m_VertexSource.rfind("#version 120", 0), 0u) << file;
                EXPECT_EQ(shader->m_FragmentSource.rfind("#version 120", 0), 0u) << file;
                EXPECT_NE(shader->m_FragmentSource.find("uniform sampler2D texture;"),
                          std::string::npos)
                    << file << " samples its colour from \"texture\"";
            }
        }
        for (const std::string& file : generated(".ksta"))
            EXPECT_NE(animation(file), nullptr) << file;
    });
    EXPECT_EQ(output, "");
    EXPECT_TRUE(recorder.reports().empty()) << recorder.reports().front();
}

// Non-looping play stops at the last keyframe's start, so only a looping
// animation ever makes its last keyframe current:
//   keyframes  0 ---- 1 ---- 2 ---- 3 (last)
//   once       [0 ......... end]
//   looping    [0 ......................... end]
TEST_F(DataFilesTest, AntsShareOneSkeletonAndAnimationsLastAsLongAsTheGameNeeds) {
    // Seconds, as played; the throw's release and the death's fall are timed by them.
    const std::map<std::string, std::pair<float, float>> LENGTHS = {
        {"antwalk.ksta", {0.2f, 2.0f}},    {"antidle.ksta", {1.0f, 10.0f}},
        {"antthrow.ksta", {0.45f, 0.55f}}, {"antdie.ksta", {0.9f, 1.1f}},
        {"antfire.ksta", {1.0f, 2.0f}},    {"zombieanteat.ksta", {0.9f, 1.1f}},
        {"antpointup.ksta", {0.1f, 2.0f}}, {"antpointdown.ksta", {0.1f, 2.0f}}};
    const std::vector<std::string> bones = boneNames("ant.kst");
    EXPECT_EQ(boneNames("fireant.kst"), bones);
    EXPECT_EQ(boneNames("zombieant.kst"), bones);
    const std::set<std::string> skeleton(bones.begin(), bones.end());
    for (const char* wanted : {"Head", "Thorax", "RockHand"})
        EXPECT_EQ(skeleton.count(wanted), 1u) << wanted;
    for (const AnimationUse& use : ANIMATION_USES) {
        SCOPED_TRACE(use.file);
        Animation* a = animation(use.file);
        ASSERT_NE(a, nullptr);
        const unsigned count = a->getKeyframeCount();
        EXPECT_GT(count, 1u);
        for (const auto& entry : a->getBoneIndices())
            EXPECT_EQ(skeleton.count(entry.first), 1u) << entry.first;
        for (unsigned k = 0; k < count; ++k)
            if (use.loop || k + 1 < count) {
                EXPECT_GT(a->getDuration(k), 0.0f) << "keyframe " << k;
            }
        const float length = a->getAnimationLength(use.loop);
        EXPECT_GE(length, LENGTHS.at(use.file).first);
        EXPECT_LE(length, LENGTHS.at(use.file).second);

        Entity& entity = ant(use.mesh);
        AssertionRecorder recorder;
        for (float t = 0.0f; t <= length; t += 0.01f)
            a->apply(&entity, t, 1.0f, use.loop, false);
        a->apply(&entity, length, 1.0f, use.loop, false);
        EXPECT_TRUE(recorder.reports().empty()) << recorder.reports().front();
    }
}

TEST_F(DataFilesTest, AntsKeepOutOfTheGroundAsTheGamePlaysTheirAnimations) {
    for (const AnimationUse& use : ANIMATION_USES) {
        Entity& entity = ant(use.mesh);
        Animation* before = animation(use.after);
        Animation* a = animation(use.file);
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
    Animation* death = animation("antdie.ksta");
    ASSERT_NE(death, nullptr);
    entity.playAnimation(death, 0.0f, false, false);
    for (int frame = 0; frame < 3; ++frame)
        entity.update(death->getAnimationLength(false));
    const float low = lowestPoint(entity);
    EXPECT_GT(low, -0.02f);
    EXPECT_LT(low, 0.02f) << "the body rests on the ground";
    // Column 1 of the world matrix is where the thorax's up points.
    const Matrix4& thorax = entity.getBone("Thorax")->getMatrix();
    EXPECT_LT(thorax[5], -0.3f * ANT_SCALE) << "belly up";
}

TEST_F(DataFilesTest, FontAtlasHoldsEveryPrintableCharacter) {
    Text* font = cache().loadText(GAME_FONT_FILE, &m_Device);
    ASSERT_NE(font, nullptr);
    const auto* atlas = dynamic_cast<const RecordingTexture*>(font->getTexture());
    ASSERT_NE(atlas, nullptr);
    ASSERT_EQ(atlas->m_Format, FORMAT_ALPHA);
    ASSERT_EQ(font->getGlyphs().size(), 95u);
    for (const Glyph& g : font->getGlyphs()) {
        EXPECT_GT(g.advance, 0.0f) << char(g.code);
        if (g.code == ' ')
            continue;
        EXPECT_GT(g.bitmapWidth * g.bitmapRows, 0) << char(g.code) << " has no glyph";
    }
    EXPECT_GT(font->getLineHeight(), 0.8f);
}

// The highest alpha of RGBA rows inside a rectangle of texture coordinates
// (v = 0 is the first row).
int highestAlpha(const RecordingTexture& t, const Vector2& min, const Vector2& max) {
    int high = 0;
    for (unsigned y = unsigned(min.v * t.m_Height + 0.5f); y < unsigned(max.v * t.m_Height + 0.5f);
         ++y)
        for (unsigned x = unsigned(min.u * t.m_Width + 0.5f);
             x < unsigned(max.u * t.m_Width + 0.5f); ++x)
            high = std::max(high, int(t.m_Pixels[(std::size_t(y) * t.m_Width + x) * 4 + 3]));
    return high;
}

// Two textures that no mesh names: the particle cells and the ground.
TEST_F(DataFilesTest, ParticleCellsAndGroundTextureHaveTheirShape) {
    const RecordingTexture* particles = texture("particle.png");
    ASSERT_NE(particles, nullptr);
    ASSERT_EQ(particles->m_Format, FORMAT_RGBA);
    EXPECT_GT(highestAlpha(*particles, FLAME_CELL_MIN, FLAME_CELL_MAX), 150) << "flame";
    EXPECT_GT(highestAlpha(*particles, SMOKE_CELL_MIN, SMOKE_CELL_MAX), 150) << "smoke";
    EXPECT_LT(highestAlpha(*particles, {0.27f, 0.0f}, {0.73f, 0.25f}), 8) << "between the cells";
    EXPECT_LT(highestAlpha(*particles, {0.0f, 0.27f}, {1.0f, 1.0f}), 8) << "below the cells";

    const RecordingTexture* ground = texture("centerterrain.png");
    ASSERT_NE(ground, nullptr);
    EXPECT_TRUE(ground->m_Created);
    EXPECT_EQ(ground->m_Width, ground->m_Height);
}

class DataFilesGlTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        m_Device = std::make_unique<OpenGLRenderDevice>();
        useGeneratedData();
    }
    // Cached programs and textures go while the context still exists.
    void TearDown() override {
        cache().clear();
        m_Device.reset();
    }

    struct Colour {
        double r = 0, g = 0, b = 0;
        int pixels = 0;
        double brightness() const { return (r + g + b) / 3.0; }
    };

    // The mean colour of what the ant covers, drawn as the game draws it:
    // half size, lit by the game's light, seen from the front right.
    Colour drawnColour(const std::string& mesh) {
        Colour mean;
        {
            Scene scene(m_Device.get());
            Entity* ant = scene.getRoot()->createEntity(mesh);
            if (!ant)
                return mean;
            ant->setScale(ANT_SCALE, ANT_SCALE, ANT_SCALE);
            scene.update(0.0f);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            setFixedLight();
            m_Device->clear(true, true);
            const Vector3 centre(0.0f, 0.13f, -0.05f);
            scene.getCamera()->setAspect(4.0f / 3.0f);
            scene.getCamera()->lookAt(centre + Vector3(0.75f, 0.6f, -1.15f), centre, {0, 1, 0});
            scene.render();
            glDisable(GL_LIGHTING);
        }
        for (const Rgba& p : readFrame()) {
            if (p.r + p.g + p.b < 12)
                continue;
            mean.r += p.r, mean.g += p.g, mean.b += p.b;
            ++mean.pixels;
        }
        if (mean.pixels > 0)
            mean.r /= mean.pixels, mean.g /= mean.pixels, mean.b /= mean.pixels;
        return mean;
    }

    std::unique_ptr<OpenGLRenderDevice> m_Device;
};

TEST_F(DataFilesGlTest, AntKindsShowTheirColours) {
    const Colour soldier = drawnColour("ant.kst");
    const Colour fire = drawnColour("fireant.kst");
    const Colour zombie = drawnColour("zombieant.kst");
    for (const Colour* c : {&soldier, &fire, &zombie})
        ASSERT_GT(c->pixels, 2000) << "the ant is drawn and fills part of the frame";
    EXPECT_LT(soldier.brightness(), 90.0) << "the soldier is dark";
    EXPECT_GT(fire.r, 1.6 * fire.g) << "the fire ant is red";
    EXPECT_GT(fire.r, 1.6 * fire.b);
    EXPECT_GT(zombie.brightness(), soldier.brightness() + 40.0) << "the zombie is pale";
}

} // namespace
