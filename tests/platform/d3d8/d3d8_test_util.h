// Headless scenes for the Direct3D 8 layer tests: a window and a device on SDL's offscreen
// driver, vertex records, and back-buffer pixel access.
#pragma once

#include "d3d8/d3d8.h"
#include "d3d8/d3d8_platform.h"
#include "win32/win32_platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace d3d8test {

// Screen-space vertex with a colour (D3DFVF_XYZRHW | D3DFVF_DIFFUSE).
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
};
constexpr DWORD SCREEN_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

// Screen-space vertex with a colour and texture coordinates.
struct ScreenTexVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD SCREEN_TEX_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// World-space vertex with a colour (D3DFVF_XYZ | D3DFVF_DIFFUSE), the corona layout.
struct ColourVertex {
    float x, y, z;
    D3DCOLOR colour;
};
constexpr DWORD COLOUR_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;

inline LRESULT TestWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

inline HWND MakeWindow(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "D3D8Test";
        registered = RegisterClassExA(&wc) != 0;
    }
    return CreateWindowExA(0, "D3D8Test", "d3d8 test", WS_POPUP, 0, 0, width, height, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A device with its own window; fails the test when either cannot be made.
class Scene {
  public:
    explicit Scene(UINT backWidth = 64, UINT backHeight = 64, D3DFORMAT format = D3DFMT_X8R8G8B8,
                   D3DDEVTYPE type = D3DDEVTYPE_HAL) {
        window = MakeWindow(static_cast<int>(backWidth), static_cast<int>(backHeight));
        direct3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (window == nullptr || direct3d == nullptr) {
            ADD_FAILURE() << "no window or Direct3D: " << Win32GetErrorText();
            return;
        }
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = backWidth;
        pp.BackBufferHeight = backHeight;
        pp.BackBufferFormat = format;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = FALSE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        HRESULT hr = direct3d->CreateDevice(D3DADAPTER_DEFAULT, type, window,
                                            D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device);
        if (FAILED(hr) || device == nullptr) {
            ADD_FAILURE() << "CreateDevice failed: " << Win32GetErrorText();
            return;
        }
        D3D8SetPresentPacing(device, false);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }
    ~Scene() {
        if (device != nullptr)
            device->Release();
        if (direct3d != nullptr)
            direct3d->Release();
        if (window != nullptr)
            DestroyWindow(window);
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    bool Ready() const { return device != nullptr; }

    // Reads the back buffer once; Pixel() then answers from that copy.
    void Read() {
        UINT w = 0, h = 0;
        ASSERT_TRUE(D3D8ReadBackBuffer(device, pixels, w, h));
        width = w;
        height = h;
    }
    uint32_t Pixel(UINT x, UINT y) const { return pixels.at(y * width + x); }
    // Reads back and returns one pixel.
    uint32_t ReadPixel(UINT x, UINT y) {
        Read();
        return Pixel(x, y);
    }

    // A screen-space rectangle from (x0, y0) to (x1, y1) in one colour, as two triangles
    // that wind clockwise on screen.
    void FillRect(float x0, float y0, float x1, float y1, D3DCOLOR colour, float z = 0.5f) {
        ScreenVertex v[6] = {{x0, y0, z, 1, colour}, {x1, y0, z, 1, colour},
                             {x0, y1, z, 1, colour}, {x1, y0, z, 1, colour},
                             {x1, y1, z, 1, colour}, {x0, y1, z, 1, colour}};
        device->SetVertexShader(SCREEN_FVF);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ScreenVertex));
    }

    HWND window = nullptr;
    IDirect3D8* direct3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    std::vector<uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
};

inline int Channel(uint32_t argb, int shift) {
    return static_cast<int>((argb >> shift) & 0xFF);
}

// Compares the colour channels of a pixel with a tolerance, printing both on failure.
inline ::testing::AssertionResult ColourNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift : {16, 8, 0}) {
        if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
            char text[96];
            std::snprintf(text, sizeof text, "pixel 0x%08X, expected 0x%08X within %d", actual,
                          expected, tolerance);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

inline D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Left-handed perspective projection: h = cot(fovy / 2), m11 = h / aspect, m22 = h,
// m33 = far / (far - near), m34 = 1, m43 = -near * far / (far - near).
inline D3DMATRIX Perspective(float fovy, float aspect, float zn, float zf) {
    D3DMATRIX m{};
    float h = 1.0f / std::tan(fovy / 2.0f);
    m._11 = h / aspect;
    m._22 = h;
    m._33 = zf / (zf - zn);
    m._34 = 1.0f;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

} // namespace d3d8test
