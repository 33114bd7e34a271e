// Textures: formats as the image loader produces them, addressing outside 0..1, mip level
// selection, point sprites with distance scaling, and writes between draws.
#include "d3d8_test_util.h"

#include <cstring>

using namespace d3d8test;

namespace {

// Compares all four channels, printing both values on failure.
::testing::AssertionResult ArgbNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift : {24, 16, 8, 0}) {
        if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
            char text[96];
            std::snprintf(text, sizeof text, "pixel 0x%08X, expected 0x%08X within %d", actual,
                          expected, tolerance);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

// Fills one level with the same bytes in every pixel (or 4x4 block).
void FillLevel(IDirect3DTexture8* texture, UINT level, const std::vector<BYTE>& unit) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT rect{};
    ASSERT_EQ(texture->LockRect(level, &rect, nullptr, 0), D3D_OK);
    BYTE* bytes = static_cast<BYTE*>(rect.pBits);
    for (size_t i = 0; i + unit.size() <= desc.Size; i += unit.size())
        std::memcpy(bytes + i, unit.data(), unit.size());
    texture->UnlockRect(level);
}

std::vector<BYTE> Argb(uint32_t value) {
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

void FullScreenTexture(IDirect3DDevice8* d, float size, float u0, float u1, float v0, float v1) {
    ScreenTexVertex v[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, u0, v0},
                            {size, 0, 0.5f, 1, 0xFFFFFFFF, u1, v0},
                            {0, size, 0.5f, 1, 0xFFFFFFFF, u0, v1},
                            {size, size, 0.5f, 1, 0xFFFFFFFF, u1, v1}};
    d->SetVertexShader(SCREEN_TEX_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenTexVertex));
}

} // namespace

TEST(D3D8Texture, FormatsSampleAsTheirColourAndAlpha) {
    // An A8R8G8B8 back buffer keeps the alpha that stage 0 outputs (the texture's).
    Scene scene(16, 16, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    struct Case {
        const char* name;
        D3DFORMAT format;
        std::vector<BYTE> unit; // one pixel, or one 4x4 block
        uint32_t expected;
        int tolerance;
    };
    const std::vector<Case> cases = {
        {"A8R8G8B8", D3DFMT_A8R8G8B8, Argb(0x80C04020), 0x80C04020, 0},
        {"X8R8G8B8", D3DFMT_X8R8G8B8, Argb(0x00C04020), 0xFFC04020, 0},
        {"R5G6B5 magenta", D3DFMT_R5G6B5, {0x1F, 0xF8}, 0xFFFF00FF, 0},
        {"R5G6B5 green", D3DFMT_R5G6B5, {0xE0, 0x07}, 0xFF00FF00, 0},
        {"A1R5G5B5 clear", D3DFMT_A1R5G5B5, {0x00, 0x7C}, 0x00FF0000, 0},
        {"A1R5G5B5 opaque", D3DFMT_A1R5G5B5, {0xE0, 0x83}, 0xFF00FF00, 0},
        {"A4R4G4B4", D3DFMT_A4R4G4B4, {0x0F, 0x8F}, 0x88FF00FF, 0},
        {"L8", D3DFMT_L8, {0x80}, 0xFF808080, 0},
        {"A8L8", D3DFMT_A8L8, {0x40, 0x80}, 0x80404040, 0},
        // Colours 0xF800 (red) and 0x001F (blue); index 2 is (2 red + blue + 1) / 3.
        {"DXT1", D3DFMT_DXT1, {0x00, 0xF8, 0x1F, 0x00, 0xAA, 0xAA, 0xAA, 0xAA}, 0xFFAA0055, 1},
        // Red 16 and black: index 2 is (2 * 16 + 0 + 1) / 3 = 11, rounded as the platform does.
        {"DXT1 rounded third",
         D3DFMT_DXT1,
         {0x00, 0x10, 0x00, 0x00, 0xAA, 0xAA, 0xAA, 0xAA},
         0xFF0B0000,
         1},
        // First colour not above the second: index 3 is transparent black.
        {"DXT1 transparent",
         D3DFMT_DXT1,
         {0x1F, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF},
         0x00000000,
         0},
        // Explicit 4-bit alpha 8 (0x88), red.
        {"DXT3",
         D3DFMT_DXT3,
         {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0},
         0x88FF0000,
         0},
        // Alpha 255 and 0 interpolated: index 2 is 6 * 255 / 7 = 218.6, to nearest 219.
        {"DXT5",
         D3DFMT_DXT5,
         {0xFF, 0x00, 0x92, 0x24, 0x49, 0x92, 0x24, 0x49, 0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0},
         0xDBFF0000,
         1},
    };
    for (bool compressedUpload : {true, false}) {
        D3D8SetCompressedUpload(d, compressedUpload);
        for (const Case& c : cases) {
            IDirect3DTexture8* texture = nullptr;
            ASSERT_EQ(d->CreateTexture(4, 4, 1, 0, c.format, D3DPOOL_MANAGED, &texture), D3D_OK)
                << c.name;
            FillLevel(texture, 0, c.unit);
            d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
            d->SetTexture(0, texture);
            FullScreenTexture(d, 16, 0, 1, 0, 1);
            // GL's own DXT decoder may round its interpolations otherwise; ours is exact.
            const int tolerance = compressedUpload ? c.tolerance : 0;
            EXPECT_TRUE(ArgbNear(scene.ReadPixel(8, 8), c.expected, tolerance))
                << c.name << (compressedUpload ? "" : " (decoded)");
            d->SetTexture(0, nullptr);
            texture->Release();
        }
    }
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_P8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
}

namespace {

// A 2 x 2 texture: red then green along u (columns) or along v (rows).
IDirect3DTexture8* TwoColours(IDirect3DDevice8* d, bool alongU) {
    IDirect3DTexture8* texture = nullptr;
    d->CreateTexture(2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture);
    D3DLOCKED_RECT rect{};
    texture->LockRect(0, &rect, nullptr, 0);
    for (int y = 0; y < 2; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch);
        for (int x = 0; x < 2; ++x)
            row[x] = (alongU ? x : y) == 0 ? 0xFFFF0000 : 0xFF00FF00;
    }
    texture->UnlockRect(0);
    return texture;
}

} // namespace

TEST(D3D8Texture, AddressModesRepeatMirrorOrClampPerAxis) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DTexture8* columns = TwoColours(d, true);
    IDirect3DTexture8* rows = TwoColours(d, false);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    d->SetVertexShader(SCREEN_TEX_FVF);
    const uint32_t R = 0xFFFF0000, G = 0xFF00FF00;
    struct Case {
        D3DTEXTUREADDRESS mode;
        uint32_t expected[6]; // coordinate -0.75, -0.25, 0.25, 0.75, 1.25, 1.75
    };
    const Case cases[] = {{D3DTADDRESS_WRAP, {R, G, R, G, R, G}},
                          {D3DTADDRESS_MIRROR, {G, R, R, G, G, R}},
                          {D3DTADDRESS_CLAMP, {R, R, R, G, G, G}}};
    for (const Case& c : cases) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        // Upper band: u runs -1..2 across 48 pixels (pixel x samples u = -1 + x / 16), v
        // stays inside 0..1.
        d->SetTexture(0, columns);
        d->SetTextureStageState(0, D3DTSS_ADDRESSU, c.mode);
        d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        ScreenTexVertex alongU[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, -1, 0},
                                     {48, 0, 0.5f, 1, 0xFFFFFFFF, 2, 0},
                                     {0, 16, 0.5f, 1, 0xFFFFFFFF, -1, 1},
                                     {48, 16, 0.5f, 1, 0xFFFFFFFF, 2, 1}};
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, alongU, sizeof(ScreenTexVertex));
        // Lower band: v runs -1..2 across, u stays inside 0..1.
        d->SetTexture(0, rows);
        d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        d->SetTextureStageState(0, D3DTSS_ADDRESSV, c.mode);
        ScreenTexVertex alongV[4] = {{0, 16, 0.5f, 1, 0xFFFFFFFF, 0, -1},
                                     {48, 16, 0.5f, 1, 0xFFFFFFFF, 0, 2},
                                     {0, 32, 0.5f, 1, 0xFFFFFFFF, 1, -1},
                                     {48, 32, 0.5f, 1, 0xFFFFFFFF, 1, 2}};
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, alongV, sizeof(ScreenTexVertex));
        scene.Read();
        for (int i = 0; i < 6; ++i) {
            const UINT x = static_cast<UINT>(4 + 8 * i);
            EXPECT_EQ(scene.Pixel(x, 8), c.expected[i]) << "mode " << c.mode << " u at x " << x;
            EXPECT_EQ(scene.Pixel(x, 24), c.expected[i]) << "mode " << c.mode << " v at x " << x;
        }
    }
    d->SetTexture(0, nullptr);
    columns->Release();
    rows->Release();
}

TEST(D3D8Texture, MipLevelFollowsTheScreenSizeAndTheFilters) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(d->CreateTexture(64, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 7u);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(3, &desc);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 8u);
    const uint32_t colours[7] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00,
                                 0xFF00FFFF, 0xFFFF00FF, 0xFFFFFFFF};
    for (UINT level = 0; level < 7; ++level)
        FillLevel(texture, level, Argb(colours[level]));
    d->SetTexture(0, texture);
    struct Case {
        D3DTEXTUREFILTERTYPE minFilter, mipFilter;
        DWORD maxMipLevel;
        float size; // on-screen size of the 64-texel quad
        uint32_t expected;
    };
    const Case cases[] = {
        {D3DTEXF_POINT, D3DTEXF_POINT, 0, 64, colours[0]},   // one texel per pixel
        {D3DTEXF_POINT, D3DTEXF_POINT, 0, 32, colours[1]},   // two: level 1
        {D3DTEXF_POINT, D3DTEXF_POINT, 0, 16, colours[2]},   // four: level 2
        {D3DTEXF_LINEAR, D3DTEXF_LINEAR, 0, 16, colours[2]}, // exactly on level 2
        {D3DTEXF_LINEAR, D3DTEXF_LINEAR, 0, 8, colours[3]},
        {D3DTEXF_LINEAR, D3DTEXF_NONE, 0, 16, colours[0]}, // no mip filter: level 0 only
        {D3DTEXF_POINT, D3DTEXF_POINT, 3, 64, colours[3]}, // MAXMIPLEVEL: none above 3
    };
    for (const Case& c : cases) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, c.minFilter);
        d->SetTextureStageState(0, D3DTSS_MIPFILTER, c.mipFilter);
        d->SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, c.maxMipLevel);
        FullScreenTexture(d, c.size, 0, 1, 0, 1);
        const UINT centre = static_cast<UINT>(c.size / 2);
        EXPECT_TRUE(ColourNear(scene.ReadPixel(centre, centre), c.expected, 2))
            << "size " << c.size << " min " << c.minFilter << " mip " << c.mipFilter
            << " max level " << c.maxMipLevel;
    }
    d->SetTexture(0, nullptr);
    texture->Release();
}

TEST(D3D8Texture, PointSpritesScaleWithDistanceAndSpanTheTexture) {
    Scene scene(128, 128);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    D3DMATRIX projection = Perspective(3.14159265f / 2.0f, 1.0f, 0.1f, 100.0f);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    // Top left red, top right green, bottom left blue, bottom right white.
    IDirect3DTexture8* texture = nullptr;
    d->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
    D3DLOCKED_RECT rect{};
    texture->LockRect(0, &rect, nullptr, 0);
    auto* top = static_cast<uint32_t*>(rect.pBits);
    auto* bottom = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(rect.pBits) + rect.Pitch);
    top[0] = 0xFFFF0000;
    top[1] = 0xFF00FF00;
    bottom[0] = 0xFF0000FF;
    bottom[1] = 0xFFFFFFFF;
    texture->UnlockRect(0);

    // The corona states: size 1, A = B = C = 1, additive with the texture factor's alpha.
    d->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSIZE, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_POINTSIZE_MIN, D3DFloatBits(0.0f));
    d->SetRenderState(D3DRS_POINTSCALE_A, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_POINTSCALE_B, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_POINTSCALE_C, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
    d->SetTexture(0, texture);
    d->SetVertexShader(COLOUR_FVF);

    auto drawAt = [&](float distance) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        ColourVertex point = {0.0f, 0.0f, distance, 0xFFFFFFFF};
        d->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof point);
        scene.Read();
    };
    auto litWidth = [&]() {
        int lit = 0;
        for (UINT x = 0; x < 128; ++x)
            lit += scene.Pixel(x, 64) != 0xFF000000u ? 1 : 0;
        return lit;
    };
    // Size = Vh * sqrt(1 / (A + B De + C De^2)): 128 / sqrt(7) = 48.4 at 2, 128 / sqrt(31)
    // = 23.0 at 5.
    drawAt(2.0f);
    EXPECT_NEAR(litWidth(), 48.4, 1.5);
    EXPECT_EQ(scene.Pixel(64 - 12, 64 - 12), 0xFFFF0000u);
    EXPECT_EQ(scene.Pixel(64 + 12, 64 - 12), 0xFF00FF00u);
    EXPECT_EQ(scene.Pixel(64 - 12, 64 + 12), 0xFF0000FFu);
    EXPECT_EQ(scene.Pixel(64 + 12, 64 + 12), 0xFFFFFFFFu);
    drawAt(5.0f);
    EXPECT_NEAR(litWidth(), 23.0, 1.5);
    // The maximum clamps; without scaling the size is POINTSIZE pixels.
    d->SetRenderState(D3DRS_POINTSIZE_MAX, D3DFloatBits(16.0f));
    drawAt(2.0f);
    EXPECT_NEAR(litWidth(), 16.0, 1.0);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    d->SetRenderState(D3DRS_POINTSIZE, D3DFloatBits(10.0f));
    drawAt(2.0f);
    EXPECT_NEAR(litWidth(), 10.0, 1.0);
    // The texture factor's alpha scales the additive sprite.
    d->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSIZE_MAX, D3DFloatBits(64.0f));
    d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FFFFFF);
    drawAt(2.0f);
    EXPECT_TRUE(ColourNear(scene.Pixel(64 + 12, 64 + 12), 0xFF808080, 1));
    d->SetTexture(0, nullptr);
    texture->Release();
}

TEST(D3D8Texture, LockedWritesShowInTheNextDraw) {
    Scene scene(16, 16);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DTexture8* texture = nullptr;
    d->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture);
    FillLevel(texture, 0, Argb(0xFF0000FF));
    d->SetTexture(0, texture);
    FullScreenTexture(d, 16, 0, 1, 0, 1);
    EXPECT_EQ(scene.ReadPixel(8, 8), 0xFF0000FFu);
    // A locked rectangle: only the lower right quarter changes.
    D3DLOCKED_RECT rect{};
    RECT quarter = {2, 2, 4, 4};
    ASSERT_EQ(texture->LockRect(0, &rect, &quarter, 0), D3D_OK);
    EXPECT_EQ(texture->LockRect(0, &rect, &quarter, 0), D3DERR_INVALIDCALL); // already locked
    for (int y = 0; y < 2; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch);
        row[0] = row[1] = 0xFFFFFF00;
    }
    texture->UnlockRect(0);
    FullScreenTexture(d, 16, 0, 1, 0, 1);
    scene.Read();
    EXPECT_EQ(scene.Pixel(4, 4), 0xFF0000FFu);
    EXPECT_EQ(scene.Pixel(12, 12), 0xFFFFFF00u);
    d->SetTexture(0, nullptr);
    texture->Release();
}
