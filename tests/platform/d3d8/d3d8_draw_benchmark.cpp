// Draw submission through the layer on the offscreen device: a frame of many small indexed
// subset draws with texture and alpha-test changes, and a large vertex buffer rewritten
// every frame, with and without the state cache. Run by hand; not a test.
#include "d3d8/d3d8.h"
#include "d3d8/d3d8_platform.h"
#include "win32/win32_platform.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

struct Vertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD VERTEX_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr UINT GRID = 100; // vertices per side: 10,000 vertices, 19,602 triangles

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(h, m, w, l);
}

struct Bench {
    HWND window = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    std::vector<IDirect3DTexture8*> textures;

    bool Open() {
        if (!Win32InitVideo())
            return false;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "D3D8Bench";
        RegisterClassExA(&wc);
        window = CreateWindowExA(0, "D3D8Bench", "bench", WS_POPUP, 0, 0, 256, 192, nullptr,
                                 nullptr, nullptr, nullptr);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (window == nullptr || d3d == nullptr)
            return false;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 256;
        pp.BackBufferHeight = 192;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, 0, &pp, &device)))
            return false;
        D3D8SetPresentPacing(device, false);
        D3D8SetPresentToWindow(device, false);
        device->CreateVertexBuffer(GRID * GRID * sizeof(Vertex), 0, VERTEX_FVF, D3DPOOL_MANAGED,
                                   &vertices);
        const UINT quads = (GRID - 1) * (GRID - 1);
        device->CreateIndexBuffer(quads * 6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices);
        BYTE* data = nullptr;
        indices->Lock(0, 0, &data, 0);
        auto* index = reinterpret_cast<WORD*>(data);
        for (UINT y = 0; y + 1 < GRID; ++y) {
            for (UINT x = 0; x + 1 < GRID; ++x) {
                const WORD a = static_cast<WORD>(y * GRID + x);
                const WORD b = static_cast<WORD>(a + 1), c = static_cast<WORD>(a + GRID);
                const WORD e = static_cast<WORD>(c + 1);
                for (WORD i : {a, b, c, b, e, c})
                    *index++ = i;
            }
        }
        indices->Unlock();
        WriteVertices(0.0f);
        for (int t = 0; t < 4; ++t) {
            IDirect3DTexture8* texture = nullptr;
            device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
            for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
                D3DLOCKED_RECT rect{};
                D3DSURFACE_DESC desc{};
                texture->GetLevelDesc(level, &desc);
                texture->LockRect(level, &rect, nullptr, 0);
                std::memset(rect.pBits, 0x40 * (t + 1), desc.Size);
                texture->UnlockRect(level);
            }
            textures.push_back(texture);
        }
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetVertexShader(VERTEX_FVF);
        device->SetStreamSource(0, vertices, sizeof(Vertex));
        device->SetIndices(indices, 0);
        return true;
    }

    void WriteVertices(float phase) {
        BYTE* data = nullptr;
        vertices->Lock(0, 0, &data, 0);
        auto* v = reinterpret_cast<Vertex*>(data);
        for (UINT y = 0; y < GRID; ++y) {
            for (UINT x = 0; x < GRID; ++x) {
                const float fx = static_cast<float>(x) / (GRID - 1) * 2.0f - 1.0f;
                const float fy = static_cast<float>(y) / (GRID - 1) * 2.0f - 1.0f;
                *v++ = {fx, fy, 0.5f + 0.1f * phase, 0xFFFFFFFF, fx, fy};
            }
        }
        vertices->Unlock();
    }

    // One frame: clear, 300 subset draws of 64 triangles with the engine's state changes.
    void Frame() {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF281450, 1.0f, 0);
        device->BeginScene();
        for (UINT subset = 0; subset < 300; ++subset) {
            device->SetRenderState(D3DRS_ALPHATESTENABLE, subset % 2);
            device->SetTexture(0, textures[subset % textures.size()]);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, GRID * GRID, (subset * 192) % 50000,
                                         64);
        }
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }

    void Finish() {
        std::vector<uint32_t> pixels;
        UINT w = 0, h = 0;
        D3D8ReadBackBuffer(device, pixels, w, h);
    }

    ~Bench() {
        if (device != nullptr) {
            device->SetTexture(0, nullptr);
            device->SetStreamSource(0, nullptr, 0);
            device->SetIndices(nullptr, 0);
        }
        for (IDirect3DTexture8* texture : textures)
            texture->Release();
        if (indices != nullptr)
            indices->Release();
        if (vertices != nullptr)
            vertices->Release();
        if (device != nullptr)
            device->Release();
        if (d3d != nullptr)
            d3d->Release();
        if (window != nullptr)
            DestroyWindow(window);
    }
};

void SubsetFrame(benchmark::State& state) {
    Bench bench;
    if (!bench.Open()) {
        state.SkipWithError("no device");
        return;
    }
    D3D8SetStateFiltering(bench.device, state.range(0) != 0);
    for (auto _ : state) {
        bench.Frame();
        bench.Finish();
    }
    state.SetLabel(state.range(0) != 0 ? "state cache on" : "state cache off");
}
BENCHMARK(SubsetFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void RewrittenBufferFrame(benchmark::State& state) {
    Bench bench;
    if (!bench.Open()) {
        state.SkipWithError("no device");
        return;
    }
    float phase = 0.0f;
    for (auto _ : state) {
        bench.WriteVertices(phase);
        phase = phase > 1.0f ? 0.0f : phase + 0.01f;
        bench.Frame();
        bench.Finish();
    }
}
BENCHMARK(RewrittenBufferFrame)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
