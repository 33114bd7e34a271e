// The X-file reader on the built level's largest models, from memory, so that file access
// does not blur the figures: parsing alone, and parsing with the mesh built from it (all of
// D3DXLoadMeshFromX's work except reading the file and filling the mesh buffers).
#include "d3dx/x_mesh_builder.h"
#include "d3dx/x_parser.h"

#include "bench_data_dir.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

const std::vector<uint8_t>& FileBytes(const char* name) {
    static std::map<std::string, std::vector<uint8_t>> files;
    auto [it, added] = files.try_emplace(name);
    if (added) {
        std::ifstream file(BenchDataDir() + "/" + name, std::ios::binary);
        it->second.assign(std::istreambuf_iterator<char>(file), {});
    }
    return it->second;
}

void BM_ParseXFile(benchmark::State& state, const char* name) {
    const std::vector<uint8_t>& bytes = FileBytes(name);
    for (auto _ : state) {
        XDocument document;
        std::string error;
        if (!ParseXFile(bytes.data(), bytes.size(), document, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(document.objects.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK_CAPTURE(BM_ParseXFile, level, "L1.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ParseXFile, hull, "L1add3.x")->Unit(benchmark::kMillisecond);

void BM_LoadXMeshFromMemory(benchmark::State& state, const char* name) {
    const std::vector<uint8_t>& bytes = FileBytes(name);
    for (auto _ : state) {
        XMeshData mesh;
        XHeader header;
        std::string error;
        if (!LoadXMeshFromMemory(bytes.data(), bytes.size(), mesh, header, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK_CAPTURE(BM_LoadXMeshFromMemory, level, "L1.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadXMeshFromMemory, hull, "L1add3.x")->Unit(benchmark::kMillisecond);

} // namespace
