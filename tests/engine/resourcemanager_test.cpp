#include "engine/resourcemanager.h"

#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/renderdevice/shader.h"
#include "engine/renderdevice/texture.h"
#include "support/assertion_recorder.h"
#include "support/message_recorder.h"
#include "support/temp_dir.h"
#include "support/test_images.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

using Kestrel::Resource;
using Kestrel::ResourceManager;
using TestSupport::RecordingTexture;
using TestSupport::TempDir;

namespace {

// Counts what the cache makes through it.
class CountingDevice : public TestSupport::TestRenderDevice {
public:
    Kestrel::Texture* createTexture() override {
        ++m_TexturesMade;
        return TestSupport::TestRenderDevice::createTexture();
    }
    Kestrel::Shader* createShader() override {
        ++m_ShadersMade;
        return TestSupport::TestRenderDevice::createShader();
    }
    int m_TexturesMade = 0;
    int m_ShadersMade = 0;
};

// A resource that reports its own destruction.
class Tracked : public Resource {
public:
    Tracked(Type type, int& deletions) : m_Type(type), m_Deletions(deletions) {}
    ~Tracked() override { ++m_Deletions; }
    Type getResourceType() const override { return m_Type; }

private:
    Type m_Type;
    int& m_Deletions;
};

void writeRgbPng(const TempDir& dir, const std::string& name) {
    ASSERT_TRUE(std::filesystem::copy_file(TestSupport::quadrantImageFiles()[0], dir.file(name)));
}

class ResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override { m_Resources.addSearchPath(m_Dir.path()); }

    // Declared before the cache: what the cache still holds when a test ends is
    // deleted after the test body has returned, and counts here.
    int m_Deletions = 0;
    TempDir m_Dir;
    ResourceManager m_Resources;
    CountingDevice m_Device;
};

TEST_F(ResourceManagerTest, TexturesAreReadOncePerName) {
    writeRgbPng(m_Dir, "stone.png");
    Kestrel::Texture* first = m_Resources.loadTexture("stone.png", &m_Device);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(static_cast<RecordingTexture*>(first)->m_Created);
    std::filesystem::remove(m_Dir.file("stone.png"));
    EXPECT_EQ(m_Resources.loadTexture("stone.png", &m_Device), first);
    EXPECT_EQ(m_Device.m_TexturesMade, 1);

    // The key is the name as given: another spelling of the same file loads again.
    writeRgbPng(m_Dir, "stone.png");
    Kestrel::Texture* other = m_Resources.loadTexture(m_Dir.file("stone.png"), &m_Device);
    EXPECT_NE(other, first);
    EXPECT_EQ(m_Device.m_TexturesMade, 2);

    // A texture that fails to read is cached all the same.
    TestSupport::AssertionRecorder assertions;
    m_Dir.write("notanimage.png", "plain text");
    Kestrel::Texture* broken = m_Resources.loadTexture("notanimage.png", &m_Device);
    ASSERT_NE(broken, nullptr);
    EXPECT_TRUE(assertions.reported("image != null"));
    EXPECT_EQ(broken->getHandle(), 0u);
    EXPECT_EQ(m_Resources.loadTexture("notanimage.png", &m_Device), broken);
    EXPECT_EQ(m_Device.m_TexturesMade, 3);
}

// One program as the vertex stage and as the fragment stage makes two shaders.
TEST_F(ResourceManagerTest, ShadersAreReadOncePerPairOfPrograms) {
    m_Dir.write("glow.glsl", "void main() {}\n");
    Kestrel::Shader* vertex = m_Resources.loadShader("glow.glsl", "", &m_Device);
    ASSERT_NE(vertex, nullptr);
    EXPECT_EQ(m_Resources.loadShader("glow.glsl", "", &m_Device), vertex);
    EXPECT_NE(m_Resources.loadShader("", "glow.glsl", &m_Device), vertex);
    EXPECT_EQ(m_Device.m_ShadersMade, 2);
}

TEST_F(ResourceManagerTest, MissingFilesGiveNullAndAreNotCached) {
    TestSupport::MessageRecorder messages;
    EXPECT_EQ(m_Resources.loadTexture("late.png", &m_Device), nullptr);
    EXPECT_EQ(m_Resources.loadTexture("", &m_Device), nullptr);
    EXPECT_EQ(m_Resources.loadShader("late.vert", "late.frag", &m_Device), nullptr);
    EXPECT_EQ(m_Resources.loadText("late.ttf", &m_Device), nullptr);
    EXPECT_EQ(m_Resources.loadMesh("late.kst", &m_Device), nullptr);
    EXPECT_EQ(m_Resources.loadAnimation("late.ksta"), nullptr);
    EXPECT_EQ(m_Resources.findResource("late.png"), nullptr);
    EXPECT_EQ(m_Device.m_TexturesMade + m_Device.m_ShadersMade, 0);
    // Each missing name is told once, however often it is asked for.
    EXPECT_EQ(m_Resources.loadMesh("late.kst", &m_Device), nullptr);
    const std::string in = " could not be found in '" + m_Dir.path() + "'.\n";
    EXPECT_EQ(messages.text(),
              "Error: Texture file 'late.png'" + in + "Error: Shader file 'late.vert'" + in +
                  "Error: Shader file 'late.frag'" + in + "Error: Font file 'late.ttf'" + in +
                  "Error: Mesh file 'late.kst'" + in + "Error: Animation file 'late.ksta'" + in);
    messages.clear();
    ResourceManager bare;
    EXPECT_EQ(bare.loadMesh("late.kst", &m_Device), nullptr);
    EXPECT_EQ(messages.text(), "Error: Mesh file 'late.kst' could not be found: no search path is "
                               "set (ResourceManager::addSearchPath).\n");

    // A mesh is named by the name it was asked for.
    m_Dir.write("late.kst", "[materials]\nname=m\n[vertices]\npos=(0,0,0)\npos=(1,0,0)\n"
                            "pos=(0,1,0)\n[faces]\nv=0,1,2:material=m\n");
    Kestrel::Mesh* mesh = m_Resources.loadMesh("late.kst", &m_Device);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->getFileName(), "late.kst");
    writeRgbPng(m_Dir, "late.png");
    EXPECT_NE(m_Resources.loadTexture("late.png", &m_Device), nullptr);
}

// A name cached as another type is reported and gives null, never a wrong cast.
TEST_F(ResourceManagerTest, ANameCachedAsAnotherTypeGivesNull) {
    m_Resources.addResource("shared", new Tracked(Resource::SHADER, m_Deletions));
    TestSupport::AssertionRecorder assertions;
    EXPECT_EQ(m_Resources.loadTexture("shared", &m_Device), nullptr);
    EXPECT_EQ(m_Resources.loadMesh("shared", &m_Device), nullptr);
    EXPECT_EQ(assertions.reports().size(), 2u);
    EXPECT_EQ(m_Device.m_TexturesMade, 0);
    // Gone while the count it reports to still exists.
    m_Resources.clear();
    EXPECT_EQ(m_Deletions, 1);
}

// A file cut short (its last line has no end) and what parse cannot read are
// named with the file's path.
TEST_F(ResourceManagerTest, AnimationProblemsNameTheFile) {
    m_Dir.write("cut.ksta", "[keyframe]\nduration=0.5\nHead:(0.1,0");
    TestSupport::MessageRecorder messages;
    EXPECT_NE(m_Resources.loadAnimation("cut.ksta"), nullptr);
    const std::string output = messages.text();
    const std::string file = "Error: Animation file '" + m_Dir.file("cut.ksta") + "' line 3: ";
    EXPECT_NE(output.find(file + "ends without a line end"), std::string::npos) << output;
    EXPECT_NE(output.find(file + "'(0.1,0' is a vector without its closing"), std::string::npos)
        << output;
}

// Clear deletes everything once, and the cache stays usable. Every
// loadAnimation reads anew; what it replaces under the name stays owned and is
// freed with the rest.
TEST_F(ResourceManagerTest, ClearDeletesEverythingOnceAndTheCacheStaysUsable) {
    Tracked* twice = new Tracked(Resource::TEXT, m_Deletions);
    m_Resources.addResource("one", twice);
    m_Resources.addResource("two", twice);
    m_Resources.addResource("three", new Tracked(Resource::MESH, m_Deletions));
    m_Resources.addResource("three", nullptr);
    m_Resources.addResource("walk.ksta", new Tracked(Resource::ANIMATION, m_Deletions));
    m_Dir.write("walk.ksta", "keyframe\n");
    Kestrel::Animation* first = m_Resources.loadAnimation("walk.ksta");
    Kestrel::Animation* second = m_Resources.loadAnimation("walk.ksta");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(m_Resources.findResource("walk.ksta"), second);
    writeRgbPng(m_Dir, "grass.png");
    ASSERT_NE(m_Resources.loadTexture("grass.png", &m_Device), nullptr);
    EXPECT_EQ(m_Deletions, 0);

    m_Resources.clear();
    EXPECT_EQ(m_Deletions, 3);
    EXPECT_EQ(m_Resources.findResource("one"), nullptr);
    EXPECT_NE(m_Resources.loadTexture("grass.png", &m_Device), nullptr);
    EXPECT_EQ(m_Device.m_TexturesMade, 2);
    // A cache going out of scope frees what it holds.
    {
        ResourceManager local;
        local.addResource("gone", new Tracked(Resource::MESH, m_Deletions));
    }
    EXPECT_EQ(m_Deletions, 4);
}

} // namespace
