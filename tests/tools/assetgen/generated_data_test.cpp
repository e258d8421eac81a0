// The generated data directory passes every check the loaders make on hostile
// files: not one problem is reported for it.
#include "engine/animation.h"
#include "engine/meshloader.h"
#include "engine/resourcemanager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> generated(const std::string& extension) {
    std::vector<std::string> names;
    const std::filesystem::path data = std::filesystem::path(FORMIK_BINARY_DIR) / "data";
    if (!std::filesystem::is_directory(data))
        return names;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        if (entry.path().extension() == extension)
            names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(GeneratedDataTest, MeshesAndAnimationsLoadWithoutAProblem) {
    const auto meshes = generated(".kst");
    const auto animations = generated(".ksta");
    if (meshes.empty())
        GTEST_SKIP() << "build the formik_data target first";
    const std::string data = std::string(FORMIK_BINARY_DIR) + "/data/";
    Kestrel::ResourceManager resources;
    resources.addSearchPath(data);
    testing::internal::CaptureStdout();
    for (const std::string& name : meshes)
        EXPECT_TRUE(Kestrel::MeshFile().read(data + name)) << name;
    for (const std::string& name : animations)
        EXPECT_NE(resources.loadAnimation(name), nullptr) << name;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

} // namespace
