// A small demo scene in the engine's states (perspective camera, linear fog, a textured wall
// near the eye and one in the fog, an additive point sprite) saved as a PNG file; the file
// is read back and held against the colours the platform's formulas give.
#include "d3d8_test_util.h"

#include <png.h>

#include <cstring>
#include <string>

using namespace d3d8test;

namespace {

struct TexturedVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD TEXTURED_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

IDirect3DTexture8* Texture2x2(IDirect3DDevice8* d, const uint32_t (&texels)[4]) {
    IDirect3DTexture8* texture = nullptr;
    d->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
    D3DLOCKED_RECT rect{};
    texture->LockRect(0, &rect, nullptr, 0);
    for (int y = 0; y < 2; ++y)
        std::memcpy(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch, &texels[y * 2], 8);
    texture->UnlockRect(0);
    return texture;
}

// A wall facing the eye at depth z from (x0, y1) top left to (x1, y0) bottom right.
void Wall(IDirect3DDevice8* d, float x0, float x1, float y0, float y1, float z) {
    TexturedVertex v[4] = {{x0, y1, z, 0xFFFFFFFF, 0, 0},
                           {x1, y1, z, 0xFFFFFFFF, 1, 0},
                           {x0, y0, z, 0xFFFFFFFF, 0, 1},
                           {x1, y0, z, 0xFFFFFFFF, 1, 1}};
    d->SetVertexShader(TEXTURED_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TexturedVertex));
}

bool ReadPng(const std::string& path, std::vector<uint32_t>& argb, UINT& width, UINT& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0)
        return false;
    image.format = PNG_FORMAT_BGRA; // little-endian B, G, R, A: 0xAARRGGBB as 32-bit values
    width = image.width;
    height = image.height;
    argb.assign(static_cast<size_t>(width) * height, 0);
    return png_image_finish_read(&image, nullptr, argb.data(), 0, nullptr) != 0;
}

} // namespace

TEST(D3D8DemoScene, SavedPngShowsTheFoggedTexturedWallsAndTheSprite) {
    Scene scene(128, 96);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_FOGENABLE, TRUE);
    d->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRS_FOGCOLOR, 0xFF7D5E3F);
    d->SetRenderState(D3DRS_FOGSTART, D3DFloatBits(15.0f));
    d->SetRenderState(D3DRS_FOGEND, D3DFloatBits(33.0f));
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    // The engine's camera: pi/4 vertically, aspect 1.3, near 0.1, far 130; eye at the origin
    // looking along +z.
    D3DMATRIX projection = Perspective(0.7853982f, 1.3f, 0.1f, 130.0f);
    d->SetTransform(D3DTS_PROJECTION, &projection);

    IDirect3DTexture8* checker = Texture2x2(d, {0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF});
    IDirect3DTexture8* white = Texture2x2(d, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});

    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF281450, 1.0f, 0);
    d->BeginScene();
    // Near wall at depth 10 (before the fog starts): x -4..0 covers pixels 16.4..64,
    // y -1.5..1.5 covers rows 30.6..65.4.
    d->SetTexture(0, checker);
    Wall(d, -4.0f, 0.0f, -1.5f, 1.5f, 10.0f);
    // Far wall at depth 24, half fogged: x 1..12 covers pixels 69..123, y -4..0 rows 48..67.
    d->SetTexture(0, white);
    Wall(d, 1.0f, 12.0f, -4.0f, 0.0f, 24.0f);
    // A corona at (3, 2, 12): centre pixel (93.7, 28.7), eye distance 12.53, size
    // 96 / sqrt(1 + 12.53 + 12.53^2) = 7.3 pixels.
    d->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSCALE_B, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_POINTSCALE_C, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFEFFFFFF);
    ColourVertex corona = {3.0f, 2.0f, 12.0f, 0xFFFFC080};
    d->SetVertexShader(COLOUR_FVF);
    d->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &corona, sizeof corona);
    d->EndScene();

    const std::string path = std::string(OVREL_OUTPUT_DIR) + "/d3d8_demo_scene.png";
    std::remove(path.c_str());
    ASSERT_TRUE(D3D8SaveBackBufferPng(d, path.c_str()));
    d->Present(nullptr, nullptr, nullptr, nullptr);

    std::vector<uint32_t> png;
    UINT width = 0, height = 0;
    ASSERT_TRUE(ReadPng(path, png, width, height)) << path;
    ASSERT_EQ(width, 128u);
    ASSERT_EQ(height, 96u);
    auto at = [&](UINT x, UINT y) { return png[y * width + x]; };
    // The clear colour where nothing was drawn.
    EXPECT_EQ(at(2, 2), 0xFF281450u);
    EXPECT_EQ(at(125, 93), 0xFF281450u);
    // Near wall: the texels unfogged, top left first.
    EXPECT_EQ(at(28, 39), 0xFFFFFFFFu);
    EXPECT_EQ(at(52, 39), 0xFFFF0000u);
    EXPECT_EQ(at(28, 57), 0xFF00FF00u);
    EXPECT_EQ(at(52, 57), 0xFF0000FFu);
    EXPECT_EQ(at(14, 39), 0xFF281450u); // left of the wall
    // Far wall: f = (33 - 24) / 18 = 0.5 of white, the rest fog colour.
    EXPECT_TRUE(ColourNear(at(96, 58), 0xFFBEAE9F, 2));
    // Corona: added at alpha 254 onto the clear colour, (40 + 254, 20 + 191.2, 80 + 127.5).
    EXPECT_TRUE(ColourNear(at(94, 29), 0xFFFFD3CF, 2));
    int lit = 0;
    for (UINT x = 80; x < 108; ++x)
        lit += at(x, 29) != 0xFF281450u ? 1 : 0;
    EXPECT_NEAR(lit, 7.3, 1.5);
    // The file holds exactly the back buffer.
    scene.Read();
    EXPECT_TRUE(png == scene.pixels);

    d->SetTexture(0, nullptr);
    checker->Release();
    white->Release();
}
