// ID3DXSprite against the in-memory device: where the corners land, which states the draw
// uses, when it blends, and that the caller's states come back.
#include "support/fake_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct SpriteVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};

LPDIRECT3DTEXTURE8 MakeTexture(FakeDevice& device, UINT width, UINT height, D3DFORMAT format) {
    LPDIRECT3DTEXTURE8 texture = nullptr;
    device.CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture);
    return texture;
}

std::vector<SpriteVertex> DrawnQuad(const FakeDevice& device) {
    std::vector<SpriteVertex> quad(device.upVertices.size() / sizeof(SpriteVertex));
    std::memcpy(quad.data(), device.upVertices.data(), quad.size() * sizeof(SpriteVertex));
    return quad;
}

TEST(D3DXSprite, PlacesCornersScaledRotatedAboutTheCentreAndMoved) {
    FakeDevice device;
    LPD3DXSPRITE sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(&device, &sprite), D3D_OK);
    LPDIRECT3DTEXTURE8 texture = MakeTexture(device, 4, 2, D3DFMT_X8R8G8B8);

    // Untransformed: the texture's size with its top-left at (0, 0), less half a pixel so
    // texel centres meet pixel centres.
    ASSERT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(device.upType, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(device.upCount, 2u);
    EXPECT_EQ(device.upVertexShader, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    std::vector<SpriteVertex> quad = DrawnQuad(device);
    ASSERT_EQ(quad.size(), 4u);
    const float plain[4][4] = {
        {-0.5f, -0.5f, 0, 0}, {3.5f, -0.5f, 1, 0}, {-0.5f, 1.5f, 0, 1}, {3.5f, 1.5f, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(quad[i].x, plain[i][0]) << i;
        EXPECT_FLOAT_EQ(quad[i].y, plain[i][1]) << i;
        EXPECT_FLOAT_EQ(quad[i].u, plain[i][2]) << i;
        EXPECT_FLOAT_EQ(quad[i].v, plain[i][3]) << i;
        EXPECT_EQ(quad[i].z, 0.0f);
        EXPECT_EQ(quad[i].rhw, 1.0f);
        EXPECT_EQ(quad[i].color, 0xFFFFFFFFu);
    }

    // Scale (2, 3), a quarter turn about (1, 1), then (10, 20). Corner (4, 0) scales to
    // (8, 0), is (7, -1) from the centre, turns to (1, 7), and lands at (12, 28).
    const D3DXVECTOR2 scale(2, 3), centre(1, 1), move(10, 20);
    sprite->Draw(texture, nullptr, &scale, &centre, 1.5707963f, &move, 0x80FF0000);
    quad = DrawnQuad(device);
    const float turned[4][2] = {{11.5f, 19.5f}, {11.5f, 27.5f}, {5.5f, 19.5f}, {5.5f, 27.5f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(quad[i].x, turned[i][0], 1e-5) << i;
        EXPECT_NEAR(quad[i].y, turned[i][1], 1e-5) << i;
        EXPECT_EQ(quad[i].color, 0x80FF0000u);
    }

    // A source rectangle picks part of the texture.
    const RECT right = {2, 0, 4, 2};
    sprite->Draw(texture, &right, nullptr, nullptr, 0.0f, &move, 0xFFFFFFFF);
    quad = DrawnQuad(device);
    EXPECT_FLOAT_EQ(quad[0].u, 0.5f);
    EXPECT_FLOAT_EQ(quad[3].x, 11.5f);
    EXPECT_EQ(sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0), D3DERR_INVALIDCALL);
    texture->Release();
    EXPECT_EQ(sprite->Release(), 0u);
    EXPECT_EQ(device.references, 1u);
}

TEST(D3DXSprite, UsesItsOwnStatesAndRestoresTheCallers) {
    FakeDevice device;
    LPD3DXSPRITE sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(&device, &sprite), D3D_OK);
    LPDIRECT3DTEXTURE8 callerTexture = MakeTexture(device, 2, 2, D3DFMT_X8R8G8B8);
    LPDIRECT3DTEXTURE8 texture = MakeTexture(device, 2, 2, D3DFMT_X8R8G8B8);
    // The caller's states: everything the sprite must not inherit.
    const std::pair<D3DRENDERSTATETYPE, DWORD> caller[] = {
        {D3DRS_ZENABLE, TRUE},          {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_LIGHTING, TRUE},         {D3DRS_FOGENABLE, TRUE},
        {D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_ALPHATESTENABLE, TRUE},  {D3DRS_ALPHAREF, 128},
    };
    for (const auto& [state, value] : caller)
        device.SetRenderState(state, value);
    device.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    device.SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    device.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device.SetTexture(0, callerTexture);
    device.SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);

    sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(device.upRenderStates[D3DRS_ZENABLE], FALSE);
    EXPECT_EQ(device.upRenderStates[D3DRS_CULLMODE], D3DCULL_NONE);
    EXPECT_EQ(device.upRenderStates[D3DRS_LIGHTING], FALSE);
    EXPECT_EQ(device.upRenderStates[D3DRS_FOGENABLE], FALSE);
    EXPECT_EQ(device.upRenderStates[D3DRS_ALPHABLENDENABLE], FALSE); // opaque colour and format
    EXPECT_EQ(device.upRenderStates[D3DRS_ALPHATESTENABLE], FALSE);
    const std::pair<std::pair<DWORD, DWORD>, DWORD> stages[] = {
        {{0, D3DTSS_COLOROP}, D3DTOP_MODULATE},    {{0, D3DTSS_COLORARG1}, D3DTA_TEXTURE},
        {{0, D3DTSS_COLORARG2}, D3DTA_DIFFUSE},    {{0, D3DTSS_ALPHAOP}, D3DTOP_MODULATE},
        {{0, D3DTSS_ALPHAARG1}, D3DTA_TEXTURE},    {{0, D3DTSS_ALPHAARG2}, D3DTA_DIFFUSE},
        {{0, D3DTSS_ADDRESSU}, D3DTADDRESS_CLAMP}, {{0, D3DTSS_ADDRESSV}, D3DTADDRESS_CLAMP},
        {{0, D3DTSS_MAGFILTER}, D3DTEXF_LINEAR},   {{0, D3DTSS_MINFILTER}, D3DTEXF_LINEAR},
        {{0, D3DTSS_MIPFILTER}, D3DTEXF_NONE},     {{1, D3DTSS_COLOROP}, D3DTOP_DISABLE},
        {{1, D3DTSS_ALPHAOP}, D3DTOP_DISABLE},
    };
    for (const auto& [key, value] : stages)
        EXPECT_EQ(device.upStageStates[key], value) << key.first << "/" << key.second;
    EXPECT_EQ(device.upTexture, texture);

    // Afterwards everything is the caller's again.
    for (const auto& [state, value] : caller)
        EXPECT_EQ(device.renderStates[state], value) << state;
    EXPECT_EQ(device.stageStates[std::make_pair(DWORD{0}, DWORD{D3DTSS_COLOROP})],
              DWORD{D3DTOP_ADD});
    EXPECT_EQ(device.stageStates[std::make_pair(DWORD{0}, DWORD{D3DTSS_ADDRESSU})],
              DWORD{D3DTADDRESS_WRAP});
    EXPECT_EQ(device.stageStates[std::make_pair(DWORD{0}, DWORD{D3DTSS_MIPFILTER})],
              DWORD{D3DTEXF_LINEAR});
    EXPECT_EQ(device.stageStates[std::make_pair(DWORD{1}, DWORD{D3DTSS_COLOROP})],
              DWORD{D3DTOP_MODULATE});
    EXPECT_EQ(device.textures[0], callerTexture);
    EXPECT_EQ(device.vertexShader, D3DFVF_XYZ | D3DFVF_NORMAL);
    // References are balanced: the caller's texture is held by the device and the caller.
    EXPECT_EQ(static_cast<FakeTexture*>(callerTexture)->references, 2u);
    EXPECT_EQ(static_cast<FakeTexture*>(texture)->references, 1u);

    // Between Begin and End the caller's states come back only at End.
    ASSERT_EQ(sprite->Begin(), D3D_OK);
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(device.renderStates[D3DRS_ZENABLE], FALSE);
    ASSERT_EQ(sprite->End(), D3D_OK);
    EXPECT_EQ(device.renderStates[D3DRS_ZENABLE], TRUE);
    device.SetTexture(0, nullptr);
    callerTexture->Release();
    texture->Release();
    sprite->Release();
}

TEST(D3DXSprite, BlendsOnlyForTranslucentColoursOrFormatsWithAlpha) {
    FakeDevice device;
    LPD3DXSPRITE sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(&device, &sprite), D3D_OK);
    struct Case {
        D3DFORMAT format;
        D3DCOLOR color;
        bool blends;
    };
    const Case cases[] = {
        {D3DFMT_X8R8G8B8, 0xFFFFFFFF, false}, {D3DFMT_X8R8G8B8, 0xFE808080, true},
        {D3DFMT_X8R8G8B8, 0x00FFFFFF, true},  {D3DFMT_A8R8G8B8, 0xFFFFFFFF, true},
        {D3DFMT_R5G6B5, 0xFFFFFFFF, false},   {D3DFMT_A1R5G5B5, 0xFFFFFFFF, true},
        {D3DFMT_A4R4G4B4, 0xFFFFFFFF, true},  {D3DFMT_L8, 0xFFFFFFFF, false},
        {D3DFMT_A8L8, 0xFFFFFFFF, true},      {D3DFMT_DXT1, 0xFFFFFFFF, false},
        {D3DFMT_DXT3, 0xFFFFFFFF, true},      {D3DFMT_DXT5, 0xFFFFFFFF, true},
    };
    for (const Case& c : cases) {
        LPDIRECT3DTEXTURE8 texture = MakeTexture(device, 4, 4, c.format);
        sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, c.color);
        EXPECT_EQ(device.upRenderStates[D3DRS_ALPHABLENDENABLE], c.blends ? TRUE : FALSE)
            << c.format << " " << std::hex << c.color;
        if (c.blends) {
            EXPECT_EQ(device.upRenderStates[D3DRS_SRCBLEND], DWORD{D3DBLEND_SRCALPHA});
            EXPECT_EQ(device.upRenderStates[D3DRS_DESTBLEND], DWORD{D3DBLEND_INVSRCALPHA});
        }
        texture->Release();
    }
    sprite->Release();

    // A device without source-alpha blending gets an alpha test passing 127 and above.
    device.blendCaps = D3DBLEND_ONE;
    ASSERT_EQ(D3DXCreateSprite(&device, &sprite), D3D_OK);
    LPDIRECT3DTEXTURE8 texture = MakeTexture(device, 4, 4, D3DFMT_A8R8G8B8);
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(device.upRenderStates[D3DRS_ALPHABLENDENABLE], FALSE);
    EXPECT_EQ(device.upRenderStates[D3DRS_ALPHATESTENABLE], TRUE);
    EXPECT_EQ(device.upRenderStates[D3DRS_ALPHAFUNC], DWORD{D3DCMP_GREATEREQUAL});
    EXPECT_EQ(device.upRenderStates[D3DRS_ALPHAREF], 127u);
    texture->Release();
    sprite->Release();
}

} // namespace
