#include "tools/import/convert.h"
#include "tools/import/write.h"

#include "engine/renderdevice/imagefile.h"
#include "tools/assetgen/image.h"

#include "support/temp_dir.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

using KestrelImport::ImportedModel;

namespace {

// Two legs on the hips, named as rigs do: with ':', and once more after the
// rewriting, so that the second needs a number before its side.
const char* const RIG = R"(HIERARCHY
ROOT rig:Hips
{
  OFFSET 0 0 0
  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation
  JOINT rig:Leg.L
  {
    OFFSET 1 0 0
    CHANNELS 3 Zrotation Xrotation Yrotation
    End Site
    {
      OFFSET 0 -1 0
    }
  }
  JOINT rig_Leg.L
  {
    OFFSET -1 0 0
    CHANNELS 3 Zrotation Xrotation Yrotation
    End Site
    {
      OFFSET 0 -1 0
    }
  }
}
MOTION
Frames: 3
Frame Time: 0.5
0 0 0 0 0 0 0 0 0 0 0 0
0 0 0 0 0 0 30 0 0 0 0 0
0 2 0 0 0 0 60 0 0 0 0 0
)";

class ImportConvertTest : public ::testing::Test {
protected:
    // Imports the text as a file of that name; false with the reason in m_Error.
    bool import(const std::string& file, const std::string& text) {
        m_Directory.write(file, text);
        m_Scene = m_Importer.ReadFile(m_Directory.file(file), KestrelImport::readFlags());
        EXPECT_NE(m_Scene, nullptr) << m_Importer.GetErrorString();
        KestrelImport::ImportOptions options;
        options.m_Name = "model";
        return m_Scene && KestrelImport::importScene(*m_Scene, m_Directory.file(file), options,
                                                     m_Model, m_Error);
    }

    std::vector<std::string> boneNames() const {
        std::vector<std::string> names;
        for (const auto& bone : m_Model.m_Bones)
            names.push_back(bone.m_Name);
        return names;
    }

    TestSupport::TempDir m_Directory;
    Assimp::Importer m_Importer;
    const aiScene* m_Scene = nullptr;
    ImportedModel m_Model;
    std::string m_Error;
};

TEST_F(ImportConvertTest, RigNamesAreRewrittenUniqueAndKeepTheirSide) {
    ASSERT_TRUE(import("rig.bvh", RIG)) << m_Error;
    const std::vector<std::string> names = boneNames();
    for (const char* expected : {"rig_Hips", "rig_Leg.L", "rig_Leg_2.L"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    for (const std::string& name : names)
        EXPECT_EQ(name.find_first_of(":="), std::string::npos) << name;
    EXPECT_NE(
        std::find(m_Model.m_Renamed.begin(), m_Model.m_Renamed.end(), "'rig:Hips' -> 'rig_Hips'"),
        m_Model.m_Renamed.end());
    // The hips' tail reaches one leg; the other hangs on a connector.
    const auto connectors = std::count_if(m_Model.m_Bones.begin(), m_Model.m_Bones.end(),
                                          [](const auto& bone) { return bone.m_Connector; });
    EXPECT_EQ(connectors, 1);
    // The root rises by 2 in the last frame: said once, for the hips alone.
    ASSERT_EQ(m_Model.m_MovingNodes, std::vector<std::string>{"rig:Hips"});
    const std::string report = KestrelImport::describe(m_Model, "model");
    EXPECT_NE(report.find("'rig:Hips' leave its bind position by up to 2 units"), std::string::npos)
        << report;
}

// A strip of separate triangles with distinct corners: 65,536 render vertices
// fit the format, one more does not.
std::string triangles(unsigned vertices) {
    std::string text;
    for (unsigned v = 0; v < vertices; ++v)
        text += "v " + std::to_string(v % 1000) + " " + std::to_string(v / 1000) + " " +
                std::to_string(v % 3) + "\n";
    for (unsigned v = 0; v + 2 < vertices; v += 3)
        text += "f " + std::to_string(v + 1) + " " + std::to_string(v + 2) + " " +
                std::to_string(v + 3) + "\n";
    return text;
}

TEST_F(ImportConvertTest, MoreRenderVerticesThanTheFormatHoldsAreRefused) {
    EXPECT_TRUE(import("fits.obj", triangles(65535) + "v 0 0 9\nf 1 2 65536\n")) << m_Error;
    EXPECT_FALSE(import("over.obj", triangles(65538)));
    EXPECT_NE(m_Error.find("65,536"), std::string::npos) << m_Error;
}

// A colour alone becomes a one-pixel image of it, an image file is copied
// under the model's name, and a material naming any other file keeps its colour.
TEST_F(ImportConvertTest, MaterialsTakeImagesOnlyAndColoursAsOnePixel) {
    ASSERT_TRUE(assetgen::writePng(assetgen::Image(2, 2, true), m_Directory.file("wood.png")));
    m_Directory.write("notes.txt", "no image");
    m_Directory.write("m.mtl", "newmtl paint:red\nKd 1 0 0\nnewmtl wood\nmap_Kd wood.png\n"
                               "newmtl note\nKd 0 0 1\nmap_Kd notes.txt\n");
    ASSERT_TRUE(import("m.obj", "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl paint:red\n"
                                "f 1 2 3\nusemtl wood\nf 1 2 3\nusemtl note\nf 1 2 3\n"))
        << m_Error;
    const std::string out = m_Directory.file("out");
    std::filesystem::create_directory(out);
    ASSERT_TRUE(KestrelImport::writeModel(m_Model, out, "model", m_Error)) << m_Error;
    std::map<std::string, std::string> textures;
    for (const auto& material : m_Model.m_Materials)
        textures[material.m_Name] = material.m_Texture;
    const std::map<std::string, std::string> expected = {{"paint_red", "model_paint_red.png"},
                                                         {"wood", "model_wood.png"},
                                                         {"note", "model_note.png"}};
    for (const auto& [material, file] : expected) {
        EXPECT_EQ(textures[material], file) << material;
        std::ifstream written(out + "/" + file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(written), {}};
        const Kestrel::ImageCheck check = Kestrel::checkImageFile(bytes, file);
        EXPECT_TRUE(check.format == Kestrel::IMAGE_PNG && !check.problem) << file;
    }
    for (const auto& texture : m_Model.m_Textures)
        if (texture.m_FileName == "model_paint_red.png")
            EXPECT_EQ(texture.m_Colour, Kestrel::Vector4(1, 0, 0, 1));
    EXPECT_EQ(std::count_if(m_Model.m_Losses.begin(), m_Model.m_Losses.end(),
                            [](const std::string& loss) {
                                return loss.find("notes.txt' of material 'note' is not an image") !=
                                       std::string::npos;
                            }),
              1);
}

} // namespace
