// Shared pieces of the renderer tests: a headless window with the engine's device, small
// one-triangle models that say which model a draw belongs to, a sprite that records its draws,
// and a compact reading of the device-call recording.
#pragma once

#include "core/engine_state.h"
#include "d3d8/d3d8_platform.h"
#include "render/device.h"
#include "render/state_tokens.h"
#include "win32/win32_platform.h"
#include "world/mesh_model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Records every Draw with its arguments; draws nothing.
class RecordingSprite : public ID3DXSprite {
  public:
    struct DrawCall {
        IDirect3DTexture8* texture;
        bool scaled;
        D3DXVECTOR2 scaling;
        bool centred;
        D3DXVECTOR2 centre;
        float rotation;
        bool translated;
        D3DXVECTOR2 translation;
        D3DCOLOR color;
    };

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; } // owned by the test
    HRESULT GetDevice(LPDIRECT3DDEVICE8* device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT Begin() override { return D3D_OK; }
    HRESULT End() override { return D3D_OK; }
    HRESULT Draw(LPDIRECT3DTEXTURE8 texture, const RECT* source, const D3DXVECTOR2* scaling,
                 const D3DXVECTOR2* centre, FLOAT rotation, const D3DXVECTOR2* translation,
                 D3DCOLOR color) override {
        EXPECT_EQ(source, nullptr);
        const D3DXVECTOR2 none(0.0f, 0.0f);
        draws.push_back({texture, scaling != nullptr, scaling ? *scaling : none, centre != nullptr,
                         centre ? *centre : none, rotation, translation != nullptr,
                         translation ? *translation : none, color});
        return D3D_OK;
    }

    std::vector<DrawCall> draws;
    ULONG references = 1;
};

// A window and the engine's device on SDL's offscreen driver, released after each test.
class DeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = engine;
        engine.screenWidth = 640;
        engine.screenHeight = 480;
        engine.backBufferFormat = D3DFMT_X8R8G8B8;
        engine.soundsEnabled = 0;
        ASSERT_TRUE(Win32InitVideo()) << Win32GetErrorText();
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "render test";
        RegisterClassExA(&windowClass);
    }
    void TearDown() override {
        ReleaseAll();
        if (window != nullptr)
            DestroyWindow(window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
        }
        UnregisterClassA("render test", GetModuleHandleA(nullptr));
        engine = saved;
    }

    // Opens the window at the configured size and creates the device in it.
    void OpenDevice() {
        window = CreateWindowExA(0, "render test", "render test", 8, 0, 0, engine.screenWidth,
                                 engine.screenHeight, GetDesktopWindow(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr) << Win32GetErrorText();
        ASSERT_EQ(InitDevice(window), S_OK) << Win32GetErrorText();
        D3D8SetPresentPacing(engine.device, false);
    }

    HWND window = nullptr;
    EngineState saved;
};

// Fills model with one triangle and one material whose diffuse red is the model's tag, so a
// recorded SetMaterial tells which model was drawn. Alpha 0 makes it a cut-out subset.
inline void MakeTaggedModel(MeshModel& model, IDirect3DDevice8* device, float tag, float alpha) {
    model.device = device;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, LEVEL_VERTEX_FVF, device, &model.mesh),
              S_OK);
    BYTE* data = nullptr;
    model.mesh->LockVertexBuffer(0, &data);
    auto* v = reinterpret_cast<LevelVertex*>(data);
    v[0] = {Vec3(0, 0, 1), Vec3(0, 0, -1), 0xFFFFFFFF, 0, 0};
    v[1] = {Vec3(0, 1, 1), Vec3(0, 0, -1), 0xFFFFFFFF, 0, 0};
    v[2] = {Vec3(1, 0, 1), Vec3(0, 0, -1), 0xFFFFFFFF, 0, 0};
    model.mesh->UnlockVertexBuffer();
    model.mesh->LockIndexBuffer(0, &data);
    const WORD indices[3] = {0, 1, 2};
    std::memcpy(data, indices, sizeof indices);
    model.mesh->UnlockIndexBuffer();
    model.materialCount = 1;
    model.materials = new D3DMATERIAL8[1]();
    model.materials[0].Diffuse = {tag, 0.0f, 0.0f, alpha};
    model.materials[0].Ambient = model.materials[0].Diffuse;
    model.textures = new IDirect3DTexture8*[1]();
    model.faceCount = 1;
}

inline float BitsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The recording as short tokens: "ZFUNC=ALWAYS" for SetRenderState, "TSS0 ADDRESSV=CLAMP",
// "World"/"View"/"Projection" for SetTransform, "Material 0.3" (the diffuse red), "Texture",
// "Draw", "Clear", "BeginScene", "EndScene", "Present". Other calls are left out.
inline std::vector<std::string> Tokens(const std::vector<D3D8Call>& calls) {
    std::vector<std::string> tokens;
    char text[64];
    for (const D3D8Call& call : calls) {
        const std::vector<uint32_t>& a = call.args;
        if (call.name == "SetRenderState") {
            tokens.push_back(RenderStateToken(a[0], a[1]));
        } else if (call.name == "SetTextureStageState") {
            tokens.push_back(StageStateToken(a[0], a[1], a[2]));
        } else if (call.name == "SetTransform") {
            tokens.push_back(a[0] == 256 ? "World" : a[0] == 2 ? "View" : "Projection");
        } else if (call.name == "SetMaterial") {
            std::snprintf(text, sizeof text, "Material %g", static_cast<double>(BitsFloat(a[1])));
            tokens.push_back(text);
        } else if (call.name == "SetTexture") {
            tokens.push_back("Texture");
        } else if (call.name.rfind("Draw", 0) == 0) {
            tokens.push_back("Draw");
        } else if (call.name == "Clear" || call.name == "BeginScene" || call.name == "EndScene" ||
                   call.name == "Present") {
            tokens.push_back(call.name);
        }
    }
    return tokens;
}

inline std::string Joined(const std::vector<std::string>& tokens) {
    std::string text;
    for (const std::string& token : tokens)
        text += token + "\n";
    return text;
}
