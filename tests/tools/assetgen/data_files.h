// What the tests of the generated data directory share: where it is, the files
// the game loads and how the game plays each animation.
#pragma once

#include "engine/resourcemanager.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
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

inline const std::vector<std::string> ANT_MESH_FILES = {"ant.kst", "fireant.kst", "zombieant.kst"};

inline const char* const FONT_FILE = "Gypsy Curse.ttf";

// The files one material of a mesh file names.
struct MaterialFiles {
    std::string texture;
    std::string vertexShader;
    std::string fragmentShader;
};

// The materials of a mesh file in file order, read from its text.
inline std::vector<MaterialFiles> materialFiles(const std::string& meshFile) {
    std::ifstream in(dataDirectory() + meshFile);
    std::vector<MaterialFiles> materials;
    bool inMaterials = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '[') {
            inMaterials = line.rfind("[materials]", 0) == 0;
            continue;
        }
        if (!inMaterials || line.empty())
            continue;
        MaterialFiles files;
        std::stringstream attributes(line);
        for (std::string piece; std::getline(attributes, piece, ':');) {
            const std::size_t equals = piece.find('=');
            const std::string key = piece.substr(0, equals);
            const std::string value = equals == std::string::npos ? "" : piece.substr(equals + 1);
            if (key == "texture")
                files.texture = value;
            else if (key == "vertexshader")
                files.vertexShader = value;
            else if (key == "fragmentshader")
                files.fragmentShader = value;
        }
        materials.push_back(files);
    }
    return materials;
}

struct AnimationUse {
    const char* file;
    const char* mesh; // the ant kind that plays it
    bool loop;
    const char* after; // what the ant usually does before
    float blendTime;
    bool standing; // the ant keeps its feet on the ground
};

inline const std::vector<AnimationUse> ANIMATION_USES = {
    {"antwalk.ksta", "ant.kst", true, "antidle.ksta", 0.2f, true},
    {"antidle.ksta", "ant.kst", true, "antwalk.ksta", 0.2f, true},
    {"antthrow.ksta", "ant.kst", false, "antidle.ksta", 0.1f, true},
    {"antdie.ksta", "ant.kst", false, "antwalk.ksta", 0.2f, false},
    {"antfire.ksta", "fireant.kst", false, "antwalk.ksta", 0.2f, true},
    {"zombieanteat.ksta", "zombieant.kst", false, "antwalk.ksta", 0.2f, true},
    {"antpointup.ksta", "ant.kst", false, "antpointdown.ksta", 0.2f, true},
    {"antpointdown.ksta", "ant.kst", false, "antpointup.ksta", 0.2f, true}};

// The alpha channel of RGBA rows, read in texture coordinates (v = 0 is the
// first row).
class AlphaImage {
public:
    AlphaImage(const std::vector<unsigned char>& rgba, unsigned width, unsigned height)
        : m_Pixels(rgba), m_Width(int(width)), m_Height(int(height)) {}

    // The highest alpha in the rectangle.
    int highest(double u0, double v0, double u1, double v1) const {
        int high = 0;
        for (int y = row(v0); y < row(v1); ++y)
            for (int x = column(u0); x < column(u1); ++x)
                high = std::max(high, alpha(x, y));
        return high;
    }
    // The highest alpha on the rectangle's outermost pixels.
    int border(double u0, double v0, double u1, double v1) const {
        const int x0 = column(u0), x1 = column(u1) - 1, y0 = row(v0), y1 = row(v1) - 1;
        int high = 0;
        for (int x = x0; x <= x1; ++x)
            high = std::max({high, alpha(x, y0), alpha(x, y1)});
        for (int y = y0; y <= y1; ++y)
            high = std::max({high, alpha(x0, y), alpha(x1, y)});
        return high;
    }

private:
    int column(double u) const { return int(u * m_Width + 0.5); }
    int row(double v) const { return int(v * m_Height + 0.5); }
    int alpha(int x, int y) const { return m_Pixels[(std::size_t(y) * m_Width + x) * 4 + 3]; }

    std::vector<unsigned char> m_Pixels;
    int m_Width;
    int m_Height;
};

} // namespace AssetTest
