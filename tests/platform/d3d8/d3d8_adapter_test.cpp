// The Direct3D object and device creation: display modes, capabilities, device types,
// the back buffer's size and format, the documented default state, and failures.
#include "d3d8_test_util.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <tuple>

using namespace d3d8test;

TEST(D3D8Adapter, ListsTheUsualModesInBothBackBufferFormats) {
    ASSERT_TRUE(Win32InitVideo()) << Win32GetErrorText();
    EXPECT_EQ(Direct3DCreate8(120), nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    std::set<std::tuple<UINT, UINT, UINT>> modes;
    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode), D3D_OK);
        modes.insert({mode.Width, mode.Height, mode.Format});
    }
    for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}}) {
        EXPECT_TRUE(modes.count({w, h, D3DFMT_X8R8G8B8})) << w << "x" << h << " 32-bit";
        EXPECT_TRUE(modes.count({w, h, D3DFMT_R5G6B5})) << w << "x" << h << " 16-bit";
    }
    D3DDISPLAYMODE mode{};
    EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, count, &mode), D3DERR_INVALIDCALL);
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_TRUE(mode.Format == D3DFMT_X8R8G8B8 || mode.Format == D3DFMT_R5G6B5);

    D3DCAPS8 caps{};
    EXPECT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, &caps), D3D_OK);
    EXPECT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_SW, &caps), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST(D3D8Adapter, ReferenceDeviceRendersLikeTheHardwareOne) {
    Scene scene(32, 32, D3DFMT_X8R8G8B8, D3DDEVTYPE_REF);
    ASSERT_TRUE(scene.Ready());
    D3DCAPS8 caps{};
    ASSERT_EQ(scene.device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_REF);
    scene.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    scene.FillRect(4, 4, 12, 12, 0xFF00FF00);
    EXPECT_EQ(scene.ReadPixel(8, 8), 0xFF00FF00u);
    EXPECT_EQ(scene.ReadPixel(12, 12), 0xFF000000u);
}

TEST(D3D8Adapter, DeviceOnAWindowThatIsGoneIsNotAvailable) {
    ASSERT_TRUE(Win32InitVideo());
    HWND window = MakeWindow(32, 32);
    ASSERT_NE(window, nullptr);
    DestroyWindow(window);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 32;
    pp.BackBufferHeight = 32;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(1);
    Win32SetErrorText("");
    EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, 0, &pp, &device),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(Win32GetErrorText().rfind("no display or OpenGL 3.3 context available: ", 0), 0u)
        << Win32GetErrorText();
    EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_SW, window, 0, &pp, &device),
              D3DERR_NOTAVAILABLE);
    // The failed device let go of the Direct3D object again.
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST(D3D8Adapter, SixteenBitBackBufferKeepsFiveSixFivePrecision) {
    Scene scene(256, 4, D3DFMT_R5G6B5);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // A gradient of every red and green value from 0 to 255, one per column.
    std::vector<ScreenVertex> strip;
    for (float x : {0.0f, 256.0f}) {
        const D3DCOLOR c = x == 0.0f ? 0xFF000000 : 0xFFFFFF00;
        strip.push_back({x, 0, 0.5f, 1, c});
        strip.push_back({x, 4, 0.5f, 1, c});
    }
    std::swap(strip[1], strip[2]);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetVertexShader(SCREEN_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip.data(), sizeof(ScreenVertex));
    scene.Read();
    std::set<int> reds, greens;
    for (UINT x = 0; x < 256; ++x) {
        reds.insert(Channel(scene.Pixel(x, 2), 16));
        greens.insert(Channel(scene.Pixel(x, 2), 8));
    }
    // Five bits of red, six of green; a 32-bit buffer would hold 256 of each.
    EXPECT_LE(reds.size(), 32u);
    EXPECT_GE(reds.size(), 28u);
    EXPECT_LE(greens.size(), 64u);
    EXPECT_GE(greens.size(), 56u);
    // A cleared grey comes back on the 5-bit grid, not as 0x80.
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
    const int red = Channel(scene.ReadPixel(0, 0), 16);
    EXPECT_NE(red, 0x80);
    EXPECT_NEAR(red, 16 * 255 / 31.0, 1.0);
}

TEST(D3D8Adapter, DefaultStateIsThePlatformsAndReadsBack) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    struct Expect {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    const Expect renderStates[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},   {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_ALPHABLENDENABLE, FALSE},   {D3DRS_ALPHATESTENABLE, FALSE},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},  {D3DRS_FOGENABLE, FALSE},
        {D3DRS_FOGTABLEMODE, D3DFOG_NONE}, {D3DRS_FOGEND, 0x3F800000},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF}, {D3DRS_POINTSIZE, 0x3F800000},
        {D3DRS_POINTSCALE_A, 0x3F800000},  {D3DRS_POINTSCALE_B, 0},
        {D3DRS_POINTSPRITEENABLE, FALSE},  {D3DRS_COLORWRITEENABLE, 0xF},
    };
    for (const Expect& e : renderStates) {
        DWORD value = 0xDEADBEEF;
        ASSERT_EQ(d->GetRenderState(e.state, &value), D3D_OK);
        EXPECT_EQ(value, e.value) << "render state " << e.state;
    }
    struct StageExpect {
        DWORD stage;
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    };
    const StageExpect stageStates[] = {
        {0, D3DTSS_COLOROP, D3DTOP_MODULATE},   {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {0, D3DTSS_COLORARG2, D3DTA_CURRENT},   {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
        {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},   {0, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
        {1, D3DTSS_COLOROP, D3DTOP_DISABLE},    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
        {0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP}, {0, D3DTSS_MINFILTER, D3DTEXF_POINT},
        {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},    {1, D3DTSS_TEXCOORDINDEX, 1},
    };
    for (const StageExpect& e : stageStates) {
        DWORD value = 0xDEADBEEF;
        ASSERT_EQ(d->GetTextureStageState(e.stage, e.type, &value), D3D_OK);
        EXPECT_EQ(value, e.value) << "stage " << e.stage << " state " << e.type;
    }
    // What is set reads back, including states the layer does not act on.
    d->SetRenderState(D3DRS_AMBIENT, 0x2F2F2F6F);
    DWORD ambient = 0;
    d->GetRenderState(D3DRS_AMBIENT, &ambient);
    EXPECT_EQ(ambient, 0x2F2F2F6Fu);
    D3DMATERIAL8 material{};
    material.Diffuse = {0.25f, 0.5f, 0.75f, 0.0f};
    material.Power = 3.0f;
    d->SetMaterial(&material);
    D3DMATERIAL8 readMaterial{};
    d->GetMaterial(&readMaterial);
    EXPECT_EQ(readMaterial.Diffuse.g, 0.5f);
    EXPECT_EQ(readMaterial.Power, 3.0f);
    D3DLIGHT8 light{};
    EXPECT_EQ(d->GetLight(2, &light), D3DERR_INVALIDCALL);
    light.Type = D3DLIGHT_POINT;
    light.Range = 12.0f;
    d->SetLight(2, &light);
    d->LightEnable(2, TRUE);
    D3DLIGHT8 readLight{};
    ASSERT_EQ(d->GetLight(2, &readLight), D3D_OK);
    EXPECT_EQ(readLight.Range, 12.0f);
    BOOL enabled = FALSE;
    d->GetLightEnable(2, &enabled);
    EXPECT_TRUE(enabled);
    // Enabling a light never set makes the default light, switched off or on as asked.
    d->LightEnable(0, FALSE);
    ASSERT_EQ(d->GetLight(0, &readLight), D3D_OK);
    EXPECT_EQ(readLight.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(readLight.Direction.z, 1.0f);
    D3DMATRIX view = Identity();
    view._43 = 7.0f;
    d->SetTransform(D3DTS_VIEW, &view);
    D3DMATRIX readView{};
    d->GetTransform(D3DTS_VIEW, &readView);
    EXPECT_EQ(readView._43, 7.0f);
    d->GetTransform(D3DTS_WORLD, &readView);
    EXPECT_EQ(readView._11, 1.0f);
    EXPECT_EQ(d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(300), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
}

TEST(D3D8Adapter, PresentPacesToSixtyHertzUnlessTurnedOff) {
    Scene scene(32, 32);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    using Clock = std::chrono::steady_clock;
    // The offscreen swap returns at once, so pacing holds each frame to a 60th of a second.
    D3D8SetPresentPacing(d, true);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    Clock::time_point start = Clock::now();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(95));
    // Tools can skip the copy to the window and read the back buffer after Present.
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
    D3D8SetPresentPacing(d, false);
    D3D8SetPresentToWindow(d, false);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(scene.ReadPixel(5, 5), 0xFF204060u);
}

TEST(D3D8Adapter, WindowedDeviceWithoutASizeTakesTheWindows) {
    ASSERT_TRUE(Win32InitVideo());
    HWND window = MakeWindow(48, 40);
    ASSERT_NE(window, nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    std::vector<uint32_t> pixels;
    UINT width = 0, height = 0;
    ASSERT_TRUE(D3D8ReadBackBuffer(device, pixels, width, height));
    EXPECT_EQ(width, 48u);
    EXPECT_EQ(height, 40u);
    // Without a depth buffer z is off and a depth clear is refused.
    DWORD z = 1;
    device->GetRenderState(D3DRS_ZENABLE, &z);
    EXPECT_EQ(z, static_cast<DWORD>(D3DZB_FALSE));
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
    DestroyWindow(window);
}
