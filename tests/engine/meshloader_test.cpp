#include "engine/meshloader.h"

#include "engine/bone.h"
#include "engine/mesh.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/vertexlist.h"

#include "support/captured_output.h"
#include "support/float_compare.h"
#include "support/message_recorder.h"
#include "support/temp_dir.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Kestrel::FaceList;
using Kestrel::Mesh;
using Kestrel::MeshLoader;
using Kestrel::Vector3;
using Kestrel::Vector4;
using TestSupport::near;
using TestSupport::printed;

namespace {

class MeshLoaderTest : public ::testing::Test {
protected:
    // Loads the text as a mesh file, catching what the loader prints.
    std::unique_ptr<Mesh> load(const std::string& text, std::string* output = nullptr) {
        m_Directory.write("reported.kst", text);
        TestSupport::MessageRecorder messages;
        std::unique_ptr<Mesh> mesh(MeshLoader(&m_Device).load(m_Directory.file("reported.kst")));
        const std::string said = messages.text();
        if (output)
            *output = said;
        return mesh;
    }

    static std::vector<Vector3> positions(const Mesh& mesh) {
        std::vector<Vector3> result;
        const Kestrel::VertexList& list = *mesh.getVertexList();
        for (unsigned i = 0; i < list.getVertexCount(); ++i)
            result.push_back(list.getPosition(i));
        return result;
    }

    static std::vector<std::vector<unsigned>> faces(const FaceList& list) {
        std::vector<std::vector<unsigned>> result;
        for (unsigned f = 0; f < list.getFaceCount(); ++f)
            result.push_back({list.getIndex(f, 0), list.getIndex(f, 1), list.getIndex(f, 2)});
        return result;
    }

    TestSupport::TempDir m_Directory;
    TestSupport::TestRenderDevice m_Device;
};

const char* const TRIANGLE = "[materials]\n"
                             "name=m\n"
                             "[vertices]\n"
                             "pos=(0,0,0)\n"
                             "pos=(1,0,0)\n"
                             "pos=(0,1,0)\n"
                             "[faces]\n"
                             "v=0,1,2:material=m\n";

using Triangles = std::vector<std::vector<unsigned>>;

TEST_F(MeshLoaderTest, AttributesSplitAtColonsAndTheFirstEquals) {
    auto mesh = load("[materials]\n"
                     "name=a:junk:=x:diffuse=(0.5,0.5,0.5):diffuse=(0.2,0.4,0.6,0.5):"
                     "specular=(0.1)\n"
                     "name=b\n"
                     "diffuse=()\n");
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->getMaterialCount(), 3u);
    EXPECT_EQ(mesh->getMaterial(0).m_Diffuse, Vector4(0.2f, 0.4f, 0.6f, 1));
    EXPECT_EQ(mesh->getMaterial(0).m_Specular, Vector4(0.1f, 1, 1, 1));
    EXPECT_EQ(mesh->getMaterial(1).m_Diffuse, Vector4(1, 1, 1, 1));
    EXPECT_EQ(mesh->getMaterial(2).m_Diffuse, Vector4(1, 1, 1, 1));
}

// Vertex 0 meets faces with the same coordinate once and with another once more.
TEST_F(MeshLoaderTest, RenderVerticesAreSharedExceptAcrossSeams) {
    auto mesh = load("[materials]\nname=m\nname=n\n"
                     "[vertices]\npos=(0,0,0)\npos=(1,0,0)\npos=(0,1,0)\npos=(0,0,1)\n"
                     "pos=(7,7,7)\n"
                     "[faces]\n"
                     "v=0,1,2:texcoord=(0,0),(1,0),(0,1):material=m\n"
                     "v=0,2,3:texcoord=(0,0),(0,1),(1,1):material=n\n"
                     "v=3,2,0:texcoord=(1,1),(0,1),(0.5,0.5):material=n\n");
    ASSERT_TRUE(mesh);
    const Kestrel::VertexList& list = *mesh->getVertexList();
    ASSERT_EQ(list.getVertexCount(), 5u) << "the unused vertex 4 is left out";
    EXPECT_EQ(faces(*mesh->getFaceList(0)), (Triangles{{0, 1, 2}}));
    EXPECT_EQ(faces(*mesh->getFaceList(1)), (Triangles{{0, 2, 3}, {3, 2, 4}}));
    EXPECT_EQ(list.getPosition(4), Vector3(0, 0, 0));

    // Both copies of vertex 0 sum all three face normals: (0,0,1) + (1,0,0) - (1,0,0).
    EXPECT_TRUE(near(list.getNormal(0), {0, 0, 1}));
    EXPECT_TRUE(near(list.getNormal(4), {0, 0, 1}));
    EXPECT_TRUE(near(list.getNormal(1), {0, 0, 1}));
    EXPECT_TRUE(near(list.getNormal(3), {0, 0, 0}));
}

const char* const SKELETON = "[bones]\n"
                             "name=root:parent=(0,1,0):tail=(0,1,1):weight=1\n"
                             "name=spine:parent=root:tail=(0,1,3):weight=0.5\n"
                             "name=arm:parent=spine:tail=(1,1,3)\n"
                             "name=leg:parent=root:tail=(0,0,1)\n";

std::string withWindowsLineEnds(const std::string& text) {
    std::string windows;
    for (char c : text)
        windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return windows;
}

class SkeletonTest : public MeshLoaderTest, public ::testing::WithParamInterface<bool> {};

// Also read with Windows line ends, which a blank line must not trip up either.
TEST_P(SkeletonTest, IsBuiltFromHeadsAndTails) {
    const std::string text = std::string(TRIANGLE) + "\n" + SKELETON;
    std::string output;
    auto mesh = load(GetParam() ? withWindowsLineEnds(text) : text, &output);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(output, "");
    Kestrel::Bone* root = mesh->getRootBone();
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->findChild("spine"), nullptr);
    // Children start at their parent's tail, relative to the root's head (0, 1, 0); the
    // vertical tail is tilted.
    const struct {
        Kestrel::Bone* bone;
        Vector3 head, tail;
    } bones[] = {{root, {0, 0, 0}, {0, 0, 1}},
                 {root->findChild("spine"), {0, 0, 1}, {0, 0, 2}},
                 {root->findChild("spine")->findChild("arm"), {0, 0, 2}, {1, 0, 0}},
                 {root->findChild("leg"), {0, 0, 1}, {0, -1, 0.00001f}}};
    for (const auto& expected : bones) {
        ASSERT_NE(expected.bone, nullptr);
        EXPECT_EQ(expected.bone->getPosition(), expected.head) << expected.bone->getName();
        EXPECT_EQ(expected.bone->getTail(), expected.tail) << expected.bone->getName();
    }
    EXPECT_EQ(root->getName(), "root");
    // Re-centred on the root's head (0, 1, 0).
    EXPECT_EQ(positions(*mesh), (std::vector<Vector3>{{0, -1, 0}, {1, -1, 0}, {0, 0, 0}}));
    EXPECT_EQ(faces(*mesh->getFaceList(0)), (Triangles{{0, 1, 2}}));
}

INSTANTIATE_TEST_SUITE_P(LineEnds, SkeletonTest, ::testing::Bool());

TEST_F(MeshLoaderTest, MaterialsLoadTheirTextureShaderAndCulling) {
    m_Directory.write("skin.vert", "void main() {}\n");
    const std::string vertexShader = m_Directory.file("skin.vert");
    const std::string texture = m_Directory.file("missing.png");
    auto mesh = load("[materials]\nname=m:texture=" + texture + ":vertexshader=" + vertexShader +
                     ":cull=back\nname=plain:texture=not-on-any-path.png\n");
    ASSERT_TRUE(mesh);
    EXPECT_NE(mesh->getMaterial(0).m_Texture, nullptr);
    auto* shader = dynamic_cast<TestSupport::RecordingShader*>(mesh->getMaterial(0).m_Shader);
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(shader->m_VertexSource, "void main() {}\n");
    EXPECT_EQ(mesh->getMaterial(1).m_Texture, nullptr);
    EXPECT_EQ(mesh->getMaterial(1).m_Shader, nullptr);
    EXPECT_TRUE(mesh->getMaterial(0).m_CullBackFaces);
    EXPECT_FALSE(mesh->getMaterial(1).m_CullBackFaces);
}

TEST_F(MeshLoaderTest, OverlongLineIsSkippedWithAMessage) {
    const std::string tooLong = "pos=(" + std::string(4994, '1') + ")";
    const std::string longest = "pos=(" + std::string(4993, '1') + ")";
    std::string output;
    auto mesh = load("[vertices]\n" + tooLong + "\n" + longest +
                         "\npos=(0,0,0)\npos=(1,0,0)\npos=(0,1,0)\n"
                         "[materials]\nname=m\n"
                         "[faces]\nv=0,1,2,3:material=m\n",
                     &output);
    ASSERT_TRUE(mesh);
    EXPECT_NE(output.find("reported.kst' line 2: has 5000 characters"), std::string::npos)
        << output;
    EXPECT_EQ(output.find("line 3: has"), std::string::npos) << output;
    EXPECT_EQ(mesh->getVertexList()->getVertexCount(), 4u);
    EXPECT_EQ(positions(*mesh)[1], Vector3(0, 0, 0));
}

// The triangle with a chain of bones b0, b1, ..., each hanging from the one before.
std::string boneChain(unsigned count) {
    std::string text = std::string(TRIANGLE) + "[bones]\nname=b0:parent=(0,0,0):tail=(0,1,0)\n";
    for (unsigned i = 1; i < count; ++i)
        text += "name=b" + std::to_string(i) + ":parent=b" + std::to_string(i - 1) + ":tail=(0," +
                std::to_string(i + 1) + ",0)\n";
    return text;
}

// Content the format reads anyway (as 0, as defaults, or not at all) is still
// named with its line, so that a damaged file can be found.
TEST_F(MeshLoaderTest, MalformedContentIsReportedLineByLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"stray\n", "line 1: 'stray' comes before the first section"},
        {"[vertces]\n", "line 1: unknown section header '[vertces]'"},
        {"[materials]\nname=m\n[normals]\nname=n\n[faces]\nv=0,1,2:material=n\n",
         "line 6: face of the unknown material 'n'"},
        {"[vertices]\npos=(one,2,3)\n", "line 2: 'one' is not a number"},
        {"[vertices]\npos=(1e39,2,3)\n", "line 2: '1e39' is not a number"},
        {"[vertices]\npos=1,2,3\n", "line 2: '1,2,3' is a vector without parentheses"},
        {"[vertices]\npos=(1,2\n", "line 2: '(1,2' is a vector without its closing"},
        {"[vertices]\npos=(1,2)\n", "line 2: '(1,2)' has 2 numbers, not 3"},
        {"[vertices]\nposition=(1,2,3)\n", "line 2: unknown key 'position'"},
        {"[materials]\nname=m:shiny:diffuse=(1,1,1)\n", "line 2: 'shiny' is no key=value pair"},
        {"[materials]\ndiffuse=(1,1,1)\n", "line 2: material without a name"},
        {"[materials]\nname=m:cull=front\n", "line 2: unknown cull mode 'front'"},
        {std::string(TRIANGLE) + "v=0,1,7:material=m\n", "line 9: face names the unknown vertex 7"},
        {std::string(TRIANGLE) + "v=0,1:material=m\n", "line 9: face with fewer than three"},
        {std::string(TRIANGLE) + "v=0,1,2:material=n\n",
         "line 9: face of the unknown material 'n'"},
        {std::string(TRIANGLE) + "v=0,x,2:material=m\n", "line 9: '0,x,2' is no list of vertex"},
        {std::string(TRIANGLE) + "v=0,1,2:material=m:texcoord=(0,0),(1,0)\n",
         "line 9: 2 texture coordinate pairs for 3 corners"},
        {std::string(TRIANGLE) + "v=0,1,2:material=m:texcoord=(0,0),(1,0),(1,1\n",
         "line 9: texture coordinates end without ')'"},
        {std::string(TRIANGLE) + "[bones]\nname=r:parent=(0,0,0):tail=(0,1)\n",
         "line 10: '(0,1)' has 2 numbers, not 3"},
        {std::string(TRIANGLE) + "[bones]\nname=r:parent=(0,0,0):tail=(0,1,0):weight=heavy\n",
         "line 10: 'heavy' is not a number"},
        {std::string(TRIANGLE) + "[bones]\nname=r:parent=(0,0,0):tail=(0,1,0)\n"
                                 "[vertex weights]\nb=r:v=0:weight=half\n",
         "line 12: 'half' is not a number"},
        {boneChain(2) + "name=b1:parent=b0:tail=(0,0,1)\n",
         "line 12: a bone named 'b1' came before; skipped"},
        {boneChain(4097), "line 4106: bone 'b4096' is one too many (at most 4096 bones); skipped"},
        {"[materials]\nname=m\n", "reported.kst' holds no faces"},
        {"[vertices]\npos=(1,2,3)", "line 2: ends without a line end; the file may be cut short"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        std::string output;
        load(text, &output);
        EXPECT_NE(output.find(expected), std::string::npos) << output;
    }
}

// Exactly count render vertices: one per file vertex, no texture seams.
std::string manyVertices(unsigned count) {
    std::string text = "[materials]\nname=m\n[vertices]\n";
    for (unsigned i = 0; i < count; ++i)
        text += "pos=(" + std::to_string(i) + ",0,0)\n";
    text += "[faces]\n";
    for (unsigned i = 0; i < count; i += 3) {
        const unsigned last = std::min(i + 2, count - 1);
        text += "v=" + std::to_string(last - 2) + "," + std::to_string(last - 1) + "," +
                std::to_string(last) + ":material=m\n";
    }
    return text;
}

// One face line fans into corners - 2 triangles.
std::string manyTriangles(unsigned triangles) {
    std::string text = "[materials]\nname=m\n[vertices]\npos=(0,0,0)\npos=(1,0,0)\npos=(0,1,0)\n"
                       "[faces]\n";
    for (; triangles > 0; triangles -= std::min(triangles, 1500u)) {
        std::string corners = "0,1";
        for (unsigned k = 0; k < std::min(triangles, 1500u); ++k)
            corners += k % 2 ? ",1" : ",2";
        text += "v=" + corners + ":material=m\n";
    }
    return text;
}

// Every face gives each of three file vertices yet another texture coordinate,
// so each face's normal would reach thousands of copies.
std::string endlessSeams() {
    std::string text = "[materials]\nname=m\n[vertices]\npos=(0,0,0)\npos=(1,0,0)\npos=(0,1,0)\n"
                       "[faces]\n";
    for (unsigned i = 0; i < 4200; ++i) {
        const std::string u = std::to_string(i);
        text += "v=0,1,2:texcoord=(" + u + ",0),(" + u + ",1),(" + u + ",2):material=m\n";
    }
    return text;
}

// Meshes a 16-bit index cannot hold are refused; the largest that fit load.
TEST_F(MeshLoaderTest, MeshesBeyondSixteenBitIndicesAreRefused) {
    const struct {
        std::string text;
        unsigned vertices, triangles;
        std::string message;
    } cases[] = {
        {manyVertices(65536), 65536, 21846, ""},
        {manyVertices(65537), 0, 0, "reported.kst' needs more than 65536 vertices"},
        {manyTriangles(65535), 3, 65535, ""},
        {manyTriangles(65536), 0, 0, "more than 65535 triangles"},
        {endlessSeams(), 0, 0, "too many texture seams"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::string output;
        auto mesh = load(c.text, &output);
        ASSERT_EQ(mesh != nullptr, c.message.empty()) << output;
        EXPECT_TRUE(printed(output, c.message));
        if (mesh) {
            EXPECT_EQ(mesh->getVertexList()->getVertexCount(), c.vertices);
            EXPECT_EQ(mesh->getFaceList(0)->getFaceCount(), c.triangles);
        }
    }
    const std::string path = m_Directory.file("absent.kst");
    TestSupport::MessageRecorder messages;
    EXPECT_EQ(MeshLoader(&m_Device).load(path), nullptr);
    EXPECT_EQ(messages.text(), "Error: Mesh file '" + path +
                                   "' could not be opened.\nError parsing file: " + path + "!\n");
}

} // namespace
