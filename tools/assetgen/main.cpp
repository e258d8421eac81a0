// assetgen <outdir>: writes the game's whole data directory. The output depends
// on nothing but this program and the font it copies, so every run produces
// the same bytes.
#include "app/world.h"
#include "tools/assetgen/ants.h"
#include "tools/assetgen/output.h"
#include "tools/assetgen/scenery.h"
#include "tools/assetgen/shaders.h"
#include "tools/assetgen/title.h"

#include <chrono>
#include <cstdio>
#include <cstring>
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

void generate(assetgen::Output& out) {
    for (const assetgen::TextFile& shader : assetgen::shaderSources())
        out.text(shader);
    assetgen::writeAnts(out);
    assetgen::writeScenery(out);
    const assetgen::TitleAssets title = assetgen::buildTitle(FONT_FILE);
    out.mesh("title.kst", title.mesh);
    out.image("title.png", title.texture);
    out.copy(FONT_FILE, GAME_FONT_FILE);
    out.copy(FONT_LICENSE, "Gypsy Curse.LICENSE.txt");
}

void printSummary(const assetgen::Output& out, double seconds, bool verbose) {
    int triangles = 0;
    for (const auto& [name, count] : out.triangleCounts()) {
        triangles += count;
        if (verbose)
            std::printf("  %-20s %6d triangles\n", name.c_str(), count);
    }
    std::printf("assetgen: %zu files, %d triangles in %zu meshes, %.2f s\n", out.files().size(),
                triangles, out.triangleCounts().size(), seconds);
}

} // namespace

int main(int argc, char** argv) {
    const bool verbose = argc == 3 && std::strcmp(argv[1], "-v") == 0;
    if (argc != 2 && !verbose) {
        std::fprintf(stderr, "usage: assetgen [-v] <output directory>\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        checkFont();
        assetgen::Output out(argv[argc - 1]);
        generate(out);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        printSummary(out, elapsed.count(), verbose);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
