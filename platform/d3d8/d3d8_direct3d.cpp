// Direct3DCreate8 and IDirect3D8: the adapter's display modes from SDL, the capabilities
// this layer offers, and device creation.
#include "d3d8/d3d8_local.h"
#include "win32/win32_platform.h"

#include <algorithm>
#include <new>
#include <tuple>

namespace {

// Every size SDL lists, each in the two back-buffer formats the engine asks for, and the
// usual sizes besides: the device never switches the display mode but shows its back buffer
// scaled, so any size works, and a headless driver lists no real sizes at all.
std::vector<D3DDISPLAYMODE> ListModes() {
    std::vector<std::tuple<UINT, UINT, UINT>> sizes;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w > 0 && mode.h > 0)
            sizes.emplace_back(mode.w, mode.h, mode.refresh_rate > 0 ? mode.refresh_rate : 60);
    }
    for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}}) {
        const bool listed = std::any_of(sizes.begin(), sizes.end(), [w = w, h = h](auto& s) {
            return std::get<0>(s) == w && std::get<1>(s) == h;
        });
        if (!listed)
            sizes.emplace_back(w, h, 60);
    }
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    std::vector<D3DDISPLAYMODE> modes;
    for (auto [w, h, rate] : sizes) {
        modes.push_back({w, h, rate, D3DFMT_X8R8G8B8});
        modes.push_back({w, h, rate, D3DFMT_R5G6B5});
    }
    return modes;
}

bool SupportedDeviceType(D3DDEVTYPE type) {
    return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF;
}

} // namespace

IDirect3D8* Direct3DCreate8(UINT SDKVersion) {
    if (SDKVersion != D3D_SDK_VERSION)
        return nullptr;
    if (!Win32InitVideo())
        return nullptr;
    return new (std::nothrow) D3D8Direct3D();
}

D3D8Direct3D::D3D8Direct3D() : modes(ListModes()) {}

UINT D3D8Direct3D::GetAdapterModeCount(UINT Adapter) {
    return Adapter == D3DADAPTER_DEFAULT ? static_cast<UINT>(modes.size()) : 0;
}

HRESULT D3D8Direct3D::EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) {
    if (Adapter != D3DADAPTER_DEFAULT || pMode == nullptr || Mode >= modes.size())
        return D3DERR_INVALIDCALL;
    *pMode = modes[Mode];
    return D3D_OK;
}

HRESULT D3D8Direct3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    if (Adapter != D3DADAPTER_DEFAULT || pMode == nullptr)
        return D3DERR_INVALIDCALL;
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || desktop.w <= 0 || desktop.h <= 0)
        return D3DERR_NOTAVAILABLE;
    const bool sixteenBit = SDL_BITSPERPIXEL(desktop.format) == 16;
    *pMode = {static_cast<UINT>(desktop.w), static_cast<UINT>(desktop.h),
              static_cast<UINT>(desktop.refresh_rate > 0 ? desktop.refresh_rate : 60),
              sixteenBit ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HRESULT D3D8Direct3D::CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                      D3DFORMAT BackBufferFormat, BOOL) {
    if (Adapter != D3DADAPTER_DEFAULT)
        return D3DERR_INVALIDCALL;
    if (!SupportedDeviceType(CheckType))
        return D3DERR_NOTAVAILABLE;
    auto displayable = [](D3DFORMAT f) {
        return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_A8R8G8B8 ||
               f == D3DFMT_X1R5G5B5 || f == D3DFMT_A1R5G5B5;
    };
    if (!displayable(DisplayFormat) || !displayable(BackBufferFormat))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT D3D8Direct3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) {
    if (Adapter != D3DADAPTER_DEFAULT || pCaps == nullptr)
        return D3DERR_INVALIDCALL;
    if (!SupportedDeviceType(DeviceType))
        return D3DERR_NOTAVAILABLE;
    D3D8FillCaps(DeviceType, *pCaps);
    return D3D_OK;
}

HRESULT D3D8Direct3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                   DWORD BehaviorFlags,
                                   D3DPRESENT_PARAMETERS* pPresentationParameters,
                                   IDirect3DDevice8** ppReturnedDeviceInterface) {
    if (ppReturnedDeviceInterface == nullptr)
        return D3DERR_INVALIDCALL;
    *ppReturnedDeviceInterface = nullptr;
    if (Adapter != D3DADAPTER_DEFAULT || pPresentationParameters == nullptr)
        return D3DERR_INVALIDCALL;
    if (!SupportedDeviceType(DeviceType))
        return D3DERR_NOTAVAILABLE;
    HWND window = pPresentationParameters->hDeviceWindow != nullptr
                      ? pPresentationParameters->hDeviceWindow
                      : hFocusWindow;
    if (window == nullptr)
        return D3DERR_INVALIDCALL;
    // Nothing may throw across the interface: a failure here is an unavailable device.
    try {
        auto* device =
            new D3D8Device(this, DeviceType, window, BehaviorFlags, *pPresentationParameters);
        std::string error;
        if (!device->Initialise(error)) {
            device->Release();
            Win32SetErrorText("no display or OpenGL 3.3 context available: " + error);
            return D3DERR_NOTAVAILABLE;
        }
        *ppReturnedDeviceInterface = device;
        return D3D_OK;
    } catch (const std::exception& e) {
        Win32SetErrorText(std::string("Direct3D device creation failed: ") + e.what());
        return D3DERR_NOTAVAILABLE;
    }
}

void D3D8FillCaps(D3DDEVTYPE type, D3DCAPS8& caps) {
    caps = D3DCAPS8{};
    caps.DeviceType = type;
    caps.AdapterOrdinal = D3DADAPTER_DEFAULT;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps.DevCaps = 0x00000400 | 0x00080000 | (type == D3DDEVTYPE_HAL ? 0x00010000 : 0);
    caps.PrimitiveMiscCaps = 0x2 | 0x10 | 0x20 | 0x40 | 0x80 | 0x800;
    caps.RasterCaps = 0x10 | 0x80 | 0x100 | 0x2000 | 0x10000;
    caps.ZCmpCaps = 0xFF;
    caps.AlphaCmpCaps = 0xFF;
    caps.SrcBlendCaps = 0x1FFF;
    caps.DestBlendCaps = 0x1FFF;
    caps.ShadeCaps = 0x8 | 0x200 | 0x4000 | 0x80000;
    caps.TextureCaps = 0x1 | 0x4 | 0x4000;
    caps.TextureFilterCaps = 0x100 | 0x200 | 0x10000 | 0x20000 | 0x1000000 | 0x2000000;
    caps.TextureAddressCaps = 0x1 | 0x2 | 0x4 | 0x8 | 0x20;
    caps.LineCaps = 0x2 | 0x4 | 0x8 | 0x10;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = 4096;
    caps.MaxAnisotropy = 1;
    caps.MaxVertexW = 1.0e10f;
    caps.GuardBandLeft = -8192.0f;
    caps.GuardBandTop = -8192.0f;
    caps.GuardBandRight = 8192.0f;
    caps.GuardBandBottom = 8192.0f;
    caps.FVFCaps = 8 | 0x00100000;
    caps.TextureOpCaps = 0x03FFFFFF;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 1;
    caps.MaxActiveLights = 8;
    caps.MaxPointSize = 64.0f;
    caps.MaxPrimitiveCount = 0x00FFFFFF;
    caps.MaxVertexIndex = 0x00FFFFFF;
    caps.MaxStreams = 1;
    caps.MaxStreamStride = 255;
}
