// assetgen <outdir>: writes the game's whole data directory. The output depends
// on nothing but this program and the font it copies, so every run produces
// the same bytes.
#include "app/sound.h"
#include "app/world.h"
#include "tools/assetgen/ants.h"
#include "tools/assetgen/ground_textures.h"
#include "tools/assetgen/shaders.h"
#include "tools/assetgen/sky.h"
#include "tools/assetgen/sounds.h"
#include "tools/assetgen/stones.h"
#include "tools/assetgen/terrain_border.h"
#include "tools/assetgen/title.h"
#include "tools/assetgen/vegetation.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

const char* const FONT_FILE = ASSETGEN_FONT_FILE;
const char* const FONT_LICENSE = ASSETGEN_FONT_LICENSE;

void checkFont() {
    for (const char* path : {FONT_FILE, FONT_LICENSE})
        if (!std::filesystem::is_regular_file(path))
            throw std::runtime_error(std::string("the font file '") + path +
                                     "' is missing; scripts/install-deps.sh installs it");
}

// The level's surroundings (all placed by the game at (8, 0.5, 8) with scale
// (20, 16, 20)), the thrown rock, the ground's texture and the particle texture.
void writeScenery(assetgen::Output& out) {
    using namespace assetgen;
    out.mesh("terrainborder.kst", buildTerrainBorder());
    out.image("terrainborder.png", paintTerrainBorderTexture());
    out.mesh("skybox.kst", buildSkybox());
    out.image("sky.png", paintSkyTexture());
    out.mesh("rocks.kst", buildBoulders());
    out.mesh("rock.kst", buildRock());
    out.image("stone.png", paintStoneTexture());
    out.mesh("tombstone.kst", buildTombstones());
    out.image("tombstone.png", paintTombstoneTexture());
    out.mesh("tree.kst", buildTrees());
    out.image("tree.png", paintTreeTexture());
    out.mesh("grass.kst", buildGrass());
    out.image("grass.png", paintGrassTexture());
    out.image("centerterrain.png", paintCenterTerrain());
    out.image("particle.png", paintParticles());
}

void generate(assetgen::Output& out) {
    for (const assetgen::TextFile& shader : assetgen::shaderSources())
        out.text(shader);
    assetgen::writeAnts(out);
    writeScenery(out);
    const assetgen::TitleAssets title = assetgen::buildTitle(FONT_FILE);
    out.mesh("title.kst", title.mesh);
    out.image("title.png", title.texture);
    out.copy(FONT_FILE, GAME_FONT_FILE);
    out.copy(FONT_LICENSE, "Gypsy Curse.LICENSE.txt");
    const std::vector<assetgen::Samples> sounds = assetgen::synthesiseSounds();
    for (int id = 0; id < SOUND_COUNT; ++id)
        out.binary(SOUND_FILES[id], assetgen::wavBytes(sounds[id]));
}

void printSummary(const assetgen::Output& out, double seconds) {
    int triangles = 0;
    for (const auto& [name, count] : out.triangleCounts())
        triangles += count;
    std::printf("assetgen: %zu files, %d triangles in %zu meshes, %.2f s\n", out.files().size(),
                triangles, out.triangleCounts().size(), seconds);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen <output directory>\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        checkFont();
        assetgen::Output out(argv[1]);
        generate(out);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        printSummary(out, elapsed.count());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
