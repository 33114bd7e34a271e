// A yardstick for the X-file reader: a general model importer's X reader on the same files,
// from memory, without post-processing, run in the same program as the reader's own figures.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include "bench_data_dir.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadDataFile(const char* name) {
    std::ifstream file(BenchDataDir() + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void BM_ImporterReadX(benchmark::State& state, const char* name) {
    const std::vector<uint8_t> bytes = ReadDataFile(name);
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "x");
        if (scene == nullptr || scene->mNumMeshes == 0) {
            state.SkipWithError(importer.GetErrorString());
            break;
        }
        benchmark::DoNotOptimize(scene->mMeshes[0]->mVertices);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK_CAPTURE(BM_ImporterReadX, level, "L1.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImporterReadX, hull, "L1add3.x")->Unit(benchmark::kMillisecond);

} // namespace
