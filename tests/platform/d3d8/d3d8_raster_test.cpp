// Pixels of small headless scenes against the platform's documented fixed-function
// behaviour: vertex colour, texture stage 0, alpha test, blending, depth, culling and fog.
#include "d3d8_test_util.h"

#include <array>
#include <cstring>

using namespace d3d8test;

namespace {

// A texture of one level filled from ARGB values, row by row, top row first.
IDirect3DTexture8* MakeTexture(IDirect3DDevice8* d, UINT width, UINT height,
                               const std::vector<uint32_t>& argb) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(d->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    D3DLOCKED_RECT rect{};
    EXPECT_EQ(texture->LockRect(0, &rect, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch, &argb[y * width], width * 4);
    texture->UnlockRect(0);
    return texture;
}

// A screen-space rectangle with texture coordinates (u0, v0) at its top left and (u1, v1)
// at its bottom right.
void TexturedRect(IDirect3DDevice8* d, float x0, float y0, float x1, float y1, float u0, float v0,
                  float u1, float v1, D3DCOLOR colour = 0xFFFFFFFF) {
    ScreenTexVertex v[4] = {{x0, y0, 0.5f, 1, colour, u0, v0},
                            {x1, y0, 0.5f, 1, colour, u1, v0},
                            {x0, y1, 0.5f, 1, colour, u0, v1},
                            {x1, y1, 0.5f, 1, colour, u1, v1}};
    d->SetVertexShader(SCREEN_TEX_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenTexVertex));
}

void ClearTo(IDirect3DDevice8* d, D3DCOLOR colour) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
}

} // namespace

TEST(D3D8Raster, VertexColourAndWhiteWithoutColour) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    ClearTo(d, 0xFF000000);
    // Vertices in clip space with identity transforms: x in [-1, 1] spans the 64 pixels.
    struct Position {
        float x, y, z;
    };
    Position quad[4] = {{-1, 1, 0.5f}, {0, 1, 0.5f}, {-1, -1, 0.5f}, {0, -1, 0.5f}};
    d->SetVertexShader(D3DFVF_XYZ);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Position));
    ColourVertex coloured[4] = {{0, 1, 0.5f, 0xFF3366CC},
                                {1, 1, 0.5f, 0xFF3366CC},
                                {0, -1, 0.5f, 0xFF3366CC},
                                {1, -1, 0.5f, 0xFF3366CC}};
    d->SetVertexShader(COLOUR_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, coloured, sizeof(ColourVertex));
    scene.Read();
    EXPECT_EQ(scene.Pixel(10, 30), 0xFFFFFFFFu);
    EXPECT_EQ(scene.Pixel(50, 30), 0xFF3366CCu);
}

TEST(D3D8Raster, TextureModulatesDiffuseWithTheTopLeftTexelFirst) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    ClearTo(d, 0xFF000000);
    IDirect3DTexture8* texture =
        MakeTexture(d, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    d->SetTexture(0, texture);
    TexturedRect(d, 0, 0, 64, 64, 0, 0, 1, 1, 0xFF808080);
    scene.Read();
    // Default stage 0: MODULATE(TEXTURE, CURRENT); 255 * 128 / 255 = 128.
    EXPECT_TRUE(ColourNear(scene.Pixel(10, 10), 0xFF800000, 1));
    EXPECT_TRUE(ColourNear(scene.Pixel(50, 10), 0xFF008000, 1));
    EXPECT_TRUE(ColourNear(scene.Pixel(10, 50), 0xFF000080, 1));
    EXPECT_TRUE(ColourNear(scene.Pixel(50, 50), 0xFF808080, 1));
    d->SetTexture(0, nullptr);
    texture->Release();
}

TEST(D3D8Raster, WithoutATextureTheDiffuseColourAndAlphaPassThrough) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    ClearTo(d, 0xFF000000);
    // Default stage 0 reads the texture for colour and alpha; with none bound both come
    // from the diffuse colour, so alpha 0x80 blends the red to half.
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    scene.FillRect(0, 0, 32, 64, 0x80FF0000);
    // SELECTARG2 with DIFFUSE in arg 2 does not read the texture and stays as it is.
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    scene.FillRect(32, 0, 64, 64, 0x80FF0000);
    scene.Read();
    EXPECT_TRUE(ColourNear(scene.Pixel(10, 10), 0xFF800000, 1));
    EXPECT_EQ(scene.Pixel(40, 10), 0xFF00FF00u);
}

TEST(D3D8Raster, AlphaTestComparesWithTheReferenceInEveryFunction) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // Texture alpha 127, 128 and 129 in three columns; colour white.
    IDirect3DTexture8* texture = MakeTexture(d, 3, 1, {0x7FFFFFFF, 0x80FFFFFF, 0x81FFFFFF});
    d->SetTexture(0, texture);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 128);
    struct Case {
        D3DCMPFUNC func;
        bool passes[3]; // alpha 127, 128, 129
    };
    const Case cases[] = {
        {D3DCMP_NEVER, {false, false, false}},      {D3DCMP_LESS, {true, false, false}},
        {D3DCMP_EQUAL, {false, true, false}},       {D3DCMP_LESSEQUAL, {true, true, false}},
        {D3DCMP_GREATER, {false, false, true}},     {D3DCMP_NOTEQUAL, {true, false, true}},
        {D3DCMP_GREATEREQUAL, {false, true, true}}, {D3DCMP_ALWAYS, {true, true, true}},
    };
    for (const Case& c : cases) {
        ClearTo(d, 0xFF000000);
        d->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        TexturedRect(d, 0, 0, 48, 16, 0, 0, 1, 1);
        scene.Read();
        for (int column = 0; column < 3; ++column) {
            const uint32_t expected = c.passes[column] ? 0xFFFFFFFF : 0xFF000000;
            EXPECT_EQ(scene.Pixel(8 + 16 * column, 8), expected)
                << "func " << c.func << " alpha " << 127 + column;
        }
    }
    d->SetTexture(0, nullptr);
    texture->Release();
}

TEST(D3D8Raster, BlendModesCombineSourceAndDestination) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // Destination (64, 128, 192); source (192, 64, 32) with alpha 64 (a = 0.251).
    struct Case {
        DWORD src, dst;
        uint32_t expected;
    };
    const Case cases[] = {
        {D3DBLEND_ONE, D3DBLEND_ZERO, 0xFFC04020},
        {D3DBLEND_ZERO, D3DBLEND_ONE, 0xFF4080C0},
        {D3DBLEND_ONE, D3DBLEND_ONE, 0xFFFFC0E0},              // red saturates at 255
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF607098}, // 96.1, 111.9, 151.8
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xFF7090C8},         // 112.2, 144.1, 200.0
        {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, 0xFFA05048}, // 159.9, 80.1, 72.2
        {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, 0xFF302018},       // 48.2, 32.1, 24.1
    };
    for (const Case& c : cases) {
        ClearTo(d, 0xFF4080C0);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, c.src);
        d->SetRenderState(D3DRS_DESTBLEND, c.dst);
        scene.FillRect(0, 0, 64, 64, 0x40C04020);
        EXPECT_TRUE(ColourNear(scene.ReadPixel(32, 32), c.expected, 1))
            << "src " << c.src << " dst " << c.dst;
    }
    // With blending off the source replaces the destination whatever the factors say.
    ClearTo(d, 0xFF4080C0);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    scene.FillRect(0, 0, 64, 64, 0x40C04020);
    EXPECT_EQ(scene.ReadPixel(32, 32), 0xFFC04020u);
}

TEST(D3D8Raster, TextureFactorAlphaReplacesTheTextureAlpha) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    ClearTo(d, 0xFF000000);
    IDirect3DTexture8* texture = MakeTexture(d, 1, 1, {0xFFFFFFFF});
    d->SetTexture(0, texture);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40FFFFFF);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    TexturedRect(d, 0, 0, 64, 64, 0, 0, 1, 1);
    // 255 * 64 / 255 over black, added.
    EXPECT_TRUE(ColourNear(scene.ReadPixel(32, 32), 0xFF404040, 1));
    d->SetTexture(0, nullptr);
    texture->Release();
}

TEST(D3D8Raster, DepthFunctionWritesAndClearDepth) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    ClearTo(d, 0xFF000000);
    scene.FillRect(0, 0, 64, 64, 0xFFFF0000, 0.3f);
    // LESSEQUAL (the default): farther is hidden, equal depth passes.
    scene.FillRect(0, 0, 32, 64, 0xFF00FF00, 0.6f);
    scene.FillRect(32, 0, 64, 64, 0xFF0000FF, 0.3f);
    scene.Read();
    EXPECT_EQ(scene.Pixel(16, 32), 0xFFFF0000u);
    EXPECT_EQ(scene.Pixel(48, 32), 0xFF0000FFu);
    // ALWAYS draws over nearer pixels.
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    scene.FillRect(0, 0, 32, 64, 0xFF00FF00, 0.9f);
    EXPECT_EQ(scene.ReadPixel(16, 32), 0xFF00FF00u);
    // That draw wrote depth 0.9: under LESSEQUAL, 0.8 now passes there.
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    scene.FillRect(0, 0, 64, 64, 0xFFFFFFFF, 0.8f);
    scene.Read();
    EXPECT_EQ(scene.Pixel(16, 32), 0xFFFFFFFFu);
    EXPECT_EQ(scene.Pixel(48, 32), 0xFF0000FFu);

    // Without depth writes a draw leaves the depth buffer as it was.
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0);
    scene.FillRect(0, 0, 64, 64, 0xFF00FF00, 0.6f); // behind the cleared depth 0.5
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    scene.FillRect(0, 0, 64, 64, 0xFFFF0000, 0.1f);
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    scene.FillRect(0, 0, 64, 64, 0xFF0000FF, 0.4f);
    EXPECT_EQ(scene.ReadPixel(32, 32), 0xFF0000FFu);
    // With z off everything draws.
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    scene.FillRect(0, 0, 64, 64, 0xFF00FFFF, 0.99f);
    EXPECT_EQ(scene.ReadPixel(32, 32), 0xFF00FFFFu);
}

TEST(D3D8Raster, ClearCoversTheGivenRectanglesOnly) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    ClearTo(d, 0xFF000000);
    D3DRECT rect = {8, 4, 24, 12};
    d->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0);
    scene.Read();
    EXPECT_EQ(scene.Pixel(8, 4), 0xFF112233u);
    EXPECT_EQ(scene.Pixel(23, 11), 0xFF112233u);
    EXPECT_EQ(scene.Pixel(24, 11), 0xFF000000u);
    EXPECT_EQ(scene.Pixel(8, 12), 0xFF000000u);
    EXPECT_EQ(scene.Pixel(7, 4), 0xFF000000u);
}

TEST(D3D8Raster, CullModesRemoveTheirWinding) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // Left: clockwise on screen (right, then down-left). Right: counter-clockwise.
    ScreenVertex clockwise[3] = {
        {2, 2, 0.5f, 1, 0xFFFF0000}, {30, 2, 0.5f, 1, 0xFFFF0000}, {2, 30, 0.5f, 1, 0xFFFF0000}};
    ScreenVertex counter[3] = {
        {34, 2, 0.5f, 1, 0xFF00FF00}, {34, 30, 0.5f, 1, 0xFF00FF00}, {62, 2, 0.5f, 1, 0xFF00FF00}};
    struct Case {
        D3DCULL mode;
        bool clockwiseShown, counterShown;
    };
    for (const Case& c : {Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true},
                          Case{D3DCULL_NONE, true, true}}) {
        ClearTo(d, 0xFF000000);
        d->SetRenderState(D3DRS_CULLMODE, c.mode);
        d->SetVertexShader(SCREEN_FVF);
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(ScreenVertex));
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof(ScreenVertex));
        scene.Read();
        EXPECT_EQ(scene.Pixel(8, 8), c.clockwiseShown ? 0xFFFF0000u : 0xFF000000u)
            << "cull " << c.mode;
        EXPECT_EQ(scene.Pixel(40, 8), c.counterShown ? 0xFF00FF00u : 0xFF000000u)
            << "cull " << c.mode;
    }

    // A world-space triangle seen from the front of a left-handed view winds clockwise on
    // screen: the default CCW culling keeps it.
    ClearTo(d, 0xFF000000);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    ColourVertex front[3] = {{-0.5f, -0.5f, 0.5f, 0xFFFFFFFF},
                             {0.0f, 0.5f, 0.5f, 0xFFFFFFFF},
                             {0.5f, -0.5f, 0.5f, 0xFFFFFFFF}};
    d->SetVertexShader(COLOUR_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, front, sizeof(ColourVertex));
    EXPECT_EQ(scene.ReadPixel(32, 36), 0xFFFFFFFFu);
}

TEST(D3D8Raster, LinearTableFogFollowsEyeDepth) {
    Scene scene(64, 64);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // The engine's fog: start 15, end 33, colour (125, 94, 63).
    d->SetRenderState(D3DRS_FOGENABLE, TRUE);
    d->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRS_FOGCOLOR, 0xFF7D5E3F);
    d->SetRenderState(D3DRS_FOGSTART, D3DFloatBits(15.0f));
    d->SetRenderState(D3DRS_FOGEND, D3DFloatBits(33.0f));
    D3DMATRIX projection = Perspective(3.14159265f / 2.0f, 1.0f, 1.0f, 100.0f);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetVertexShader(COLOUR_FVF);
    struct Case {
        float depth;
        uint32_t expected;
    };
    // f = (33 - z) / 18; colour = f * 255 + (1 - f) * fog.
    const Case cases[] = {
        {10.0f, 0xFFFFFFFF},                      // nearer than the start: no fog
        {15.0f, 0xFFFFFFFF}, {24.0f, 0xFFBEAE9F}, // f = 0.5: 190, 174.5, 159
        {30.0f, 0xFF93795F},                      // f = 1/6: 146.7, 120.8, 95
        {33.0f, 0xFF7D5E3F}, {50.0f, 0xFF7D5E3F}, // beyond the end: all fog
    };
    for (const Case& c : cases) {
        ClearTo(d, 0xFF000000);
        // A wall across the whole view at planar depth z (the view spans |x| <= z).
        const float z = c.depth, e = c.depth * 1.5f;
        ColourVertex wall[4] = {{-e, e, z, 0xFFFFFFFF},
                                {e, e, z, 0xFFFFFFFF},
                                {-e, -e, z, 0xFFFFFFFF},
                                {e, -e, z, 0xFFFFFFFF}};
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, wall, sizeof(ColourVertex));
        scene.Read();
        EXPECT_TRUE(ColourNear(scene.Pixel(32, 32), c.expected, 2)) << "depth " << c.depth;
        // Depth, not distance: the corner of the wall is farther from the eye but fogged
        // the same.
        EXPECT_TRUE(ColourNear(scene.Pixel(1, 1), c.expected, 2)) << "depth " << c.depth;
    }
    // Fog off: the plain colour at any depth.
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    ClearTo(d, 0xFF000000);
    ColourVertex far[4] = {{-60, 60, 40, 0xFFFFFFFF},
                           {60, 60, 40, 0xFFFFFFFF},
                           {-60, -60, 40, 0xFFFFFFFF},
                           {60, -60, 40, 0xFFFFFFFF}};
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, far, sizeof(ColourVertex));
    EXPECT_EQ(scene.ReadPixel(32, 32), 0xFFFFFFFFu);
}

TEST(D3D8Raster, ViewportLimitsDrawingAndClearing) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    D3DVIEWPORT8 viewport{};
    ASSERT_EQ(d->GetViewport(&viewport), D3D_OK);
    EXPECT_EQ(viewport.Width, 64u);
    EXPECT_EQ(viewport.Height, 64u);
    EXPECT_EQ(viewport.MaxZ, 1.0f);
    ClearTo(d, 0xFF000000);
    D3DVIEWPORT8 half = {32, 0, 32, 32, 0.0f, 1.0f};
    ASSERT_EQ(d->SetViewport(&half), D3D_OK);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    // Clip-space vertices fill the viewport only.
    ColourVertex quad[4] = {{-1, 1, 0.5f, 0xFF00FF00},
                            {1, 1, 0.5f, 0xFF00FF00},
                            {-1, 0, 0.5f, 0xFF00FF00},
                            {1, 0, 0.5f, 0xFF00FF00}};
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetVertexShader(COLOUR_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex));
    scene.Read();
    EXPECT_EQ(scene.Pixel(40, 4), 0xFF00FF00u);  // upper half of the viewport
    EXPECT_EQ(scene.Pixel(40, 28), 0xFF0000FFu); // lower half: cleared only
    EXPECT_EQ(scene.Pixel(10, 4), 0xFF000000u);  // outside the viewport
    EXPECT_EQ(scene.Pixel(40, 40), 0xFF000000u);
    D3DVIEWPORT8 tooBig = {32, 0, 64, 32, 0.0f, 1.0f};
    EXPECT_EQ(d->SetViewport(&tooBig), D3DERR_INVALIDCALL);
}
