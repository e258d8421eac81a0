#include "tools/assetgen/output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::filesystem::path freshDirectory(const char* name) {
    const auto dir = std::filesystem::temp_directory_path() / "assetgen_output_test" / name;
    std::filesystem::remove_all(dir);
    return dir;
}

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(OutputTest, WritesFilesExactlyAndListsThem) {
    const auto dir = freshDirectory("write");
    assetgen::Output out((dir / "nested").string());
    out.text({"a.ksta", "line\r\nnext\n"});
    assetgen::MeshBuilder mesh;
    mesh.addMaterial({"m", "", "", ""});
    const int a = mesh.addVertex({0, 0, 0}), b = mesh.addVertex({1, 0, 0});
    const int c = mesh.addVertex({0, 1, 0});
    mesh.addTriangle({a, {}}, {b, {}}, {c, {}});
    out.mesh("b.kst", mesh);
    EXPECT_EQ(contents(dir / "nested" / "a.ksta"), "line\r\nnext\n");
    EXPECT_EQ(contents(dir / "nested" / "b.kst"), mesh.toText());
    EXPECT_EQ(out.files(), (std::vector<std::string>{"a.ksta", "b.kst"}));
    ASSERT_EQ(out.triangleCounts().size(), 1u);
    EXPECT_EQ(out.triangleCounts()[0].second, 1);
}

TEST(OutputTest, CopiesUnmodifiedAndNamesAMissingSource) {
    const auto dir = freshDirectory("copy");
    std::filesystem::create_directories(dir);
    {
        std::ofstream source(dir / "font.ttf", std::ios::binary);
        source << std::string("\0\1\2binary", 9);
    }
    assetgen::Output out((dir / "data").string());
    out.copy((dir / "font.ttf").string(), "Gypsy Curse.ttf");
    EXPECT_EQ(contents(dir / "data" / "Gypsy Curse.ttf"), std::string("\0\1\2binary", 9));
    try {
        out.copy((dir / "missing.ttf").string(), "x.ttf");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("missing.ttf"), std::string::npos);
    }
}

TEST(OutputTest, UncreatableDirectoryIsAnError) {
    const auto dir = freshDirectory("blocked");
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "file") << "x";
    EXPECT_THROW(assetgen::Output((dir / "file" / "sub").string()), std::runtime_error);
}

} // namespace
