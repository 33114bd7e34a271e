// Start-up: the whole start-up of the engine (device, sounds and LoadLevel with its shading),
// and its two heaviest parts on their own, parsing the level's X file into a mesh and
// decoding the images.
#include "bench/engine_fixture.h"

#include "core/engine_state.h"
#include "app/winmain.h"
#include "d3dx/d3dx8.h"
#include "support/fake_device.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

// Shut down and start again: LoadLevel is by far the largest part.
void BM_StartUp(benchmark::State& state) {
    for (auto _ : state) {
        EngineShutdown();
        std::string failure;
        if (!StartBenchEngine(failure)) {
            state.SkipWithError(failure.c_str());
            break;
        }
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadMeshFromX(benchmark::State& state, const char* file) {
    FakeDevice device;
    for (auto _ : state) {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD materialCount = 0;
        if (FAILED(D3DXLoadMeshFromX(file, D3DXMESH_SYSTEMMEM, &device, nullptr, &materials,
                                     &materialCount, &mesh))) {
            state.SkipWithError("D3DXLoadMeshFromX failed");
            break;
        }
        mesh->Release();
        materials->Release();
    }
}
BENCHMARK_CAPTURE(BM_LoadMeshFromX, level, "data/L1.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadMeshFromX, hull, "data/L1add3.x")->Unit(benchmark::kMillisecond);

void BM_CreateTextureFromFile(benchmark::State& state, const char* file) {
    for (auto _ : state) {
        IDirect3DTexture8* texture = nullptr;
        if (FAILED(D3DXCreateTextureFromFileA(engine.device, file, &texture))) {
            state.SkipWithError("D3DXCreateTextureFromFileA failed");
            break;
        }
        texture->Release();
    }
}
BENCHMARK_CAPTURE(BM_CreateTextureFromFile, menu, "data/menu0.obr")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CreateTextureFromFile, wall_dxt1, "data/tex/brick.dds")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CreateTextureFromFile, light_map_dxt5, "data/tex/lightmap0.dds")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CreateTextureFromFile, dds, "data/test4.dds")->Unit(benchmark::kMillisecond);

} // namespace
