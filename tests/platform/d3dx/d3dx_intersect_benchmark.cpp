// The cost of the engine's ray casts: thirty rays against the built level mesh per frame,
// with the level held in system memory as the engine loads it and its vertex buffer locked
// for writing once a frame. A benchmark to run by hand.
#include "support/fake_device.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

void ThirtyRaysAgainstTheLevel(benchmark::State& state) {
    FakeDevice device;
    LPD3DXMESH mesh = nullptr;
    const std::string path = std::string(OVREL_DATA_DIR) + "/L1.x";
    if (FAILED(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, nullptr,
                                 nullptr, &mesh))) {
        state.SkipWithError("the level data has not been built");
        return;
    }
    // Rays from a point inside the house, spread around the horizon and slightly down, as
    // the picking, line-of-sight and corona tests cast them.
    const D3DXVECTOR3 eye(3.0f, 1.6f, 10.0f);
    uint64_t hits = 0;
    for (auto _ : state) {
        // Each frame the engine rewrites the object boxes through the vertex buffer.
        LPDIRECT3DVERTEXBUFFER8 vb = nullptr;
        mesh->GetVertexBuffer(&vb);
        BYTE* vertices = nullptr;
        vb->Lock(0, 0, &vertices, 0);
        vb->Unlock();
        vb->Release();
        for (int i = 0; i < 30; ++i) {
            const float angle = 0.2094f * static_cast<float>(i);
            const D3DXVECTOR3 dir(std::cos(angle), -0.1f, std::sin(angle));
            const D3DXVECTOR3 origin(eye.x - 100 * dir.x, eye.y - 100 * dir.y, eye.z - 100 * dir.z);
            LPD3DXBUFFER all = nullptr;
            DWORD count = 0;
            BOOL hit = FALSE;
            D3DXIntersect(mesh, &origin, &dir, &hit, nullptr, nullptr, nullptr, nullptr, &all,
                          &count);
            hits += count;
            all->Release();
        }
    }
    state.counters["faces"] = mesh->GetNumFaces();
    state.counters["hits_per_frame"] =
        static_cast<double>(hits) / static_cast<double>(state.iterations());
    mesh->Release();
}
BENCHMARK(ThirtyRaysAgainstTheLevel)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
