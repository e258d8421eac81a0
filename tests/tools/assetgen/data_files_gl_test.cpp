// The generated data on the OpenGL device: every program a material names
// compiles and links, and the three ant kinds come out in their colours.
#include "tools/assetgen/data_files.h"

#include "app/application.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "support/gl_context.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using AssetTest::MESH_FILES;
using Kestrel::Vector3;

class DataFilesGlTest : public TestSupport::GlTest {
protected:
    void SetUp() override {
        TestSupport::GlTest::SetUp();
        ASSERT_TRUE(AssetTest::useGeneratedData()) << AssetTest::dataDirectory();
        m_Device = std::make_unique<Kestrel::OpenGLRenderDevice>();
    }
    // Cached programs and textures go while the context still exists.
    void TearDown() override {
        Kestrel::ResourceManager::getInstance()->clear();
        m_Device.reset();
    }

    struct Colour {
        double r = 0, g = 0, b = 0;
        int pixels = 0;
    };

    // The mean colour of what the ant covers, drawn as the game draws it:
    // half size, lit by the game's light, seen from the front right.
    Colour drawnColour(const std::string& mesh) {
        Colour mean;
        {
            Kestrel::Scene scene(m_Device.get());
            Kestrel::Entity* ant = scene.getRoot()->createEntity(mesh);
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
        for (const TestSupport::Rgba& p : TestSupport::readFrame()) {
            if (p.r + p.g + p.b < 12)
                continue;
            mean.r += p.r, mean.g += p.g, mean.b += p.b;
            ++mean.pixels;
        }
        if (mean.pixels > 0)
            mean.r /= mean.pixels, mean.g /= mean.pixels, mean.b /= mean.pixels;
        return mean;
    }

    std::unique_ptr<Kestrel::OpenGLRenderDevice> m_Device;
};

TEST_F(DataFilesGlTest, EveryMaterialProgramCompilesAndLinks) {
    for (const std::string& file : MESH_FILES) {
        testing::internal::CaptureStderr();
        Kestrel::Mesh* mesh =
            Kestrel::ResourceManager::getInstance()->loadMesh(file, m_Device.get());
        const std::string log = testing::internal::GetCapturedStderr();
        ASSERT_NE(mesh, nullptr) << file;
        EXPECT_EQ(log.find("Error Compiling"), std::string::npos) << file << ":\n" << log;
        EXPECT_EQ(log.find("Error Linking"), std::string::npos) << file << ":\n" << log;
    }
}

TEST_F(DataFilesGlTest, AntKindsShowTheirColours) {
    const Colour soldier = drawnColour("ant.kst");
    const Colour fire = drawnColour("fireant.kst");
    const Colour zombie = drawnColour("zombieant.kst");
    for (const Colour* c : {&soldier, &fire, &zombie})
        ASSERT_GT(c->pixels, 2000) << "the ant is drawn and fills part of the frame";
    const auto brightness = [](const Colour& c) { return (c.r + c.g + c.b) / 3.0; };
    EXPECT_LT(brightness(soldier), 90.0) << "the soldier is dark";
    EXPECT_GT(fire.r, 1.6 * fire.g) << "the fire ant is red";
    EXPECT_GT(fire.r, 1.6 * fire.b);
    EXPECT_GT(brightness(zombie), brightness(soldier) + 40.0) << "the zombie is pale";
}

} // namespace
