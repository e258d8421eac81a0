// kestrel-import of a whole model (the installed command, process and files
// included) against assimp alone reading the same file, on the largest files
// of assimp's test set: the motion capture (2 MB of keys) and the largest mesh.
#include "tools/import/convert.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string MODELS = "/usr/share/assimp/models/";
const char* const LARGEST[] = {"BVH/01_01.bvh", "X/Testwuson.X"};

bool available(benchmark::State& state, const std::string& path) {
    if (std::filesystem::exists(path))
        return true;
    state.SkipWithError((path + " is not installed (assimp-testmodels)").c_str());
    return false;
}

void BM_AssimpRead(benchmark::State& state) {
    const std::string path = MODELS + LARGEST[state.range(0)];
    if (!available(state, path))
        return;
    for (auto _ : state) {
        Assimp::Importer importer;
        benchmark::DoNotOptimize(importer.ReadFile(path, KestrelImport::readFlags()));
    }
    state.SetLabel(LARGEST[state.range(0)]);
}
BENCHMARK(BM_AssimpRead)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

void BM_WholeImport(benchmark::State& state) {
    const std::string path = MODELS + LARGEST[state.range(0)];
    if (!available(state, path))
        return;
    const std::string out =
        (std::filesystem::temp_directory_path() / "kestrel-import-bench").string();
    const std::string command = std::string(FORMIK_BINARY_DIR) + "/tools/import/kestrel-import '" +
                                path + "' -o '" + out + "' --force >/dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("kestrel-import failed");
    std::filesystem::remove_all(out);
    state.SetLabel(LARGEST[state.range(0)]);
}
BENCHMARK(BM_WholeImport)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
