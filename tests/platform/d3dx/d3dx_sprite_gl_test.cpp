// The sprite on the OpenGL device, headless: texels land on the pixels the platform puts
// them on, the colour modulates, translucent colours blend, and the caller's states return.
#include "platform/d3d8/d3d8_test_util.h"

#include "d3dx/d3dx8.h"

#include <cstring>

namespace {

using d3d8test::ColourNear;
using d3d8test::Scene;

// A texture of width x height whose texel (x, y) is 0xFF000000 | (x * 40) << 16 | (y * 40) << 8
// | 0x11, so every texel is different.
LPDIRECT3DTEXTURE8 MakeGradient(IDirect3DDevice8* device, UINT width, UINT height) {
    LPDIRECT3DTEXTURE8 texture = nullptr;
    EXPECT_EQ(
        device->CreateTexture(width, height, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture),
        D3D_OK);
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const uint32_t texel = 0xFF000000u | (x * 40) << 16 | (y * 40) << 8 | 0x11;
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + 4 * x, &texel, 4);
        }
    texture->UnlockRect(0);
    return texture;
}

uint32_t Texel(UINT x, UINT y) {
    return 0xFF000000u | (x * 40) << 16 | (y * 40) << 8 | 0x11;
}

TEST(D3DXSpriteGl, TexelsLandOnPixelsScaledAndMoved) {
    Scene scene(64, 64);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* device = scene.device;
    LPD3DXSPRITE sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
    LPDIRECT3DTEXTURE8 texture = MakeGradient(device, 4, 4);
    // States a caller might leave that must not reach the sprite.
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.0f, 0);
    device->BeginScene();
    const D3DXVECTOR2 at(10, 20);
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF);
    const D3DXVECTOR2 scale(2, 2), at2(30, 5);
    sprite->Draw(texture, nullptr, &scale, nullptr, 0.0f, &at2, 0xFFFFFFFF);
    device->EndScene();
    scene.Read();
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            EXPECT_TRUE(ColourNear(scene.Pixel(10 + x, 20 + y), Texel(x, y), 1)) << x << "," << y;
    EXPECT_TRUE(ColourNear(scene.Pixel(9, 20), 0xFF000000, 0));
    EXPECT_TRUE(ColourNear(scene.Pixel(14, 20), 0xFF000000, 0));
    EXPECT_TRUE(ColourNear(scene.Pixel(10, 24), 0xFF000000, 0));
    // Scaled by two: 8x8 pixels; the outer pixels show the corner texels unblended.
    EXPECT_TRUE(ColourNear(scene.Pixel(30, 5), Texel(0, 0), 1));
    EXPECT_TRUE(ColourNear(scene.Pixel(37, 12), Texel(3, 3), 1));
    EXPECT_TRUE(ColourNear(scene.Pixel(29, 5), 0xFF000000, 0));
    EXPECT_TRUE(ColourNear(scene.Pixel(38, 12), 0xFF000000, 0));

    DWORD value = 0;
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD{D3DCULL_CW});
    device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, DWORD{D3DTOP_SELECTARG2});
    texture->Release();
    sprite->Release();
}

TEST(D3DXSpriteGl, ColourModulatesAndTranslucentColoursBlend) {
    Scene scene(32, 32);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* device = scene.device;
    LPD3DXSPRITE sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
    LPDIRECT3DTEXTURE8 white = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &white), D3D_OK);
    D3DLOCKED_RECT locked{};
    white->LockRect(0, &locked, nullptr, 0);
    for (int row = 0; row < 2; ++row)
        std::memset(static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch, 0xFF, 8);
    white->UnlockRect(0);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    device->BeginScene();
    const D3DXVECTOR2 a(2, 2), b(10, 2), c(18, 2), scale(4, 4);
    sprite->Draw(white, nullptr, &scale, nullptr, 0.0f, &a, 0xFF40C080); // modulated, opaque
    sprite->Draw(white, nullptr, &scale, nullptr, 0.0f, &b, 0x80FF0000); // half over blue
    sprite->Draw(white, nullptr, &scale, nullptr, 0.0f, &c, 0x00FFFFFF); // invisible
    // Turned a quarter turn about its top-left corner, then moved to (24, 20): corner (8, 0)
    // turns to (0, 8) and corner (0, 8) to (-8, 0), so it covers x 16..24 and y 20..28.
    const D3DXVECTOR2 corner(24, 20), none(0, 0);
    sprite->Draw(white, nullptr, &scale, &none, 1.5707963f, &corner, 0xFF00FF00);
    device->EndScene();
    scene.Read();
    EXPECT_TRUE(ColourNear(scene.Pixel(5, 5), 0xFF40C080, 1));
    // 0.5 red over blue: red 255 * 128/255 = 128, blue 255 * 127/255 = 127.
    EXPECT_TRUE(ColourNear(scene.Pixel(13, 5), 0xFF80007F, 2));
    EXPECT_TRUE(ColourNear(scene.Pixel(21, 5), 0xFF0000FF, 0));
    EXPECT_TRUE(ColourNear(scene.Pixel(20, 24), 0xFF00FF00, 0));
    EXPECT_TRUE(ColourNear(scene.Pixel(26, 24), 0xFF0000FF, 0));
    white->Release();
    sprite->Release();
}

} // namespace
