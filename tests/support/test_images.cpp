#include "support/test_images.h"

#include <algorithm>
#include <filesystem>

namespace TestSupport {

const std::array<Rgba8, 4> OPAQUE_COLORS = {
    {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}}};

std::vector<std::string> quadrantImageFiles() {
    const std::filesystem::path directory =
        std::filesystem::path(FORMIK_SOURCE_DIR) / "fuzz" / "corpus" / "image_texture";
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().stem() == "quadrants")
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::stable_partition(files.begin(), files.end(), [](const std::string& file) {
        return std::filesystem::path(file).extension() == ".png";
    });
    return files;
}

} // namespace TestSupport
