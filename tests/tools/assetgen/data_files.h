// What the tests of the generated data directory share: where it is and the
// files the game loads; how the game plays each animation is in game/.
#pragma once

#include "engine/resourcemanager.h"
#include "game/animation_uses.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace AssetTest {

inline std::string dataDirectory() {
    return std::string(FORMIK_BINARY_DIR) + "/data/";
}

// Adds the data directory to the resource cache's search paths (once); false
// when the build has not generated it.
inline bool useGeneratedData() {
    const std::string directory = dataDirectory();
    if (!std::filesystem::is_directory(directory))
        return false;
    Kestrel::ResourceManager* cache = Kestrel::ResourceManager::getInstance();
    const std::vector<std::string>& paths = cache->getSearchPaths();
    if (std::find(paths.begin(), paths.end(), directory) == paths.end())
        cache->addSearchPath(directory);
    return true;
}

inline const std::vector<std::string> MESH_FILES = {
    "ant.kst",  "fireant.kst",   "zombieant.kst", "rock.kst",          "title.kst", "rocks.kst",
    "tree.kst", "tombstone.kst", "grass.kst",     "terrainborder.kst", "skybox.kst"};

// The highest alpha of RGBA rows inside a rectangle given in texture
// coordinates (v = 0 is the first row).
inline int highestAlpha(const std::vector<unsigned char>& rgba, unsigned width, unsigned height,
                        double u0, double v0, double u1, double v1) {
    int high = 0;
    for (unsigned y = unsigned(v0 * height + 0.5); y < unsigned(v1 * height + 0.5); ++y)
        for (unsigned x = unsigned(u0 * width + 0.5); x < unsigned(u1 * width + 0.5); ++x)
            high = std::max(high, int(rgba[(std::size_t(y) * width + x) * 4 + 3]));
    return high;
}

} // namespace AssetTest
