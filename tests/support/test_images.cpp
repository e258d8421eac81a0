#include "support/test_images.h"

#include <png.h>

#include <algorithm>
#include <filesystem>

namespace TestSupport {

const std::array<Rgba8, 4> OPAQUE_COLORS = {
    {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}}};

std::vector<TestImage> makeTestImages() {
    TestImage image{"rgb", false, OPAQUE_COLORS, PngImage{16, 16, PNG_COLOR_TYPE_RGB, 8, {}}};
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Rgba8 c = OPAQUE_COLORS[(x < 8 ? 0 : 1) + (y < 8 ? 0 : 2)];
            image.png.rows.insert(image.png.rows.end(), {c.r, c.g, c.b});
        }
    }
    return {image};
}

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
