// The specialised fixed-function programs against the general one: every state combination
// the engine draws with (level subsets cut-out and blended, fogged and not, with and without
// a texture, the coronas' point sprites, the 2D images) renders the same pixels through
// both. And vertex buffers rewritten between draws show every written range.
#include "d3d8_test_util.h"

#include <cstring>
#include <functional>

using namespace d3d8test;

namespace {

struct TexturedVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD TEXTURED_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// 8 by 8 texels with colour and alpha running across, so that modulation, the alpha test
// and blending all see many different values.
IDirect3DTexture8* GradientTexture(IDirect3DDevice8* d) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(d->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    for (DWORD level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(level, &desc);
        D3DLOCKED_RECT rect{};
        texture->LockRect(level, &rect, nullptr, 0);
        for (UINT y = 0; y < desc.Height; ++y) {
            auto* row =
                reinterpret_cast<uint32_t*>(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch);
            for (UINT x = 0; x < desc.Width; ++x)
                row[x] = ((x * 36 + y * 4) << 24) | ((255 - x * 30) << 16) | ((y * 32) << 8) | 0x40;
        }
        texture->UnlockRect(level);
    }
    return texture;
}

void SetCamera(IDirect3DDevice8* d) {
    // A camera 3 units in front of the origin looking along +z, 45 degrees, fog from 2 to 6.
    D3DMATRIX view{}, projection{};
    view._11 = view._22 = view._33 = view._44 = 1.0f;
    view._43 = 3.0f;
    const float yScale = 1.0f / std::tan(0.7853982f / 2.0f);
    const float zf = 130.0f, zn = 0.1f;
    projection._11 = yScale / 1.3f;
    projection._22 = yScale;
    projection._33 = zf / (zf - zn);
    projection._34 = 1.0f;
    projection._43 = -zn * zf / (zf - zn);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    d->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRS_FOGCOLOR, 0xFF7D5E3F);
    d->SetRenderState(D3DRS_FOGSTART, D3DFloatBits(2.0f));
    d->SetRenderState(D3DRS_FOGEND, D3DFloatBits(6.0f));
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
}

// A quad slanting away from the eye (depth 0 to 4), so fog and mip levels vary across it.
void SlantedQuad(IDirect3DDevice8* d, float x0, float x1) {
    TexturedVertex v[4] = {{x0, 1.5f, 0.0f, 0xFFFFFFFF, 0, 0},
                           {x1, 1.5f, 0.0f, 0xC0FF8040, 3, 0},
                           {x0, -1.5f, 4.0f, 0x80408000, 0, 3},
                           {x1, -1.5f, 4.0f, 0x40FFFFFF, 3, 3}};
    d->SetVertexShader(TEXTURED_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TexturedVertex));
}

void CutOut(IDirect3DDevice8* d) {
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_ALPHAREF, 128);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void Blended(IDirect3DDevice8* d) {
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

// The coronas: fogged point sprites scaled by distance, alpha from the texture factor.
void Coronas(IDirect3DDevice8* d, IDirect3DTexture8* texture) {
    d->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSCALE_B, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_POINTSCALE_C, D3DFloatBits(1.0f));
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    d->SetTexture(0, texture);
    ColourVertex points[3] = {{-0.5f, 0.3f, 0.5f, 0xFFFFC080},
                              {0.4f, -0.2f, 2.0f, 0xFF80C0FF},
                              {0.0f, 0.5f, 4.0f, 0xFFFFFFFF}};
    d->SetVertexShader(COLOUR_FVF);
    for (int i = 0; i < 3; ++i) {
        d->SetRenderState(D3DRS_TEXTUREFACTOR, (static_cast<DWORD>(80 + 60 * i) << 24) | 0xFFFFFF);
        d->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &points[i], sizeof(ColourVertex));
    }
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
}

// A 2D image as the sprite draws it: screen pixels, alpha test above 0, blended, unfogged.
void Image(IDirect3DDevice8* d, D3DCOLOR colour) {
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d->SetRenderState(D3DRS_ALPHAREF, 0);
    Blended(d);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ScreenTexVertex v[4] = {{4, 40, 0, 1, colour, 0, 0},
                            {60, 40, 0, 1, colour, 1, 0},
                            {4, 60, 0, 1, colour, 0, 1},
                            {60, 60, 0, 1, colour, 1, 1}};
    d->SetVertexShader(SCREEN_TEX_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenTexVertex));
}

// One scene of the engine's kind: state set, then drawn.
struct EngineScene {
    const char* name;
    std::function<void(IDirect3DDevice8*, IDirect3DTexture8*)> draw;
};

const EngineScene SCENES[] = {
    {"fogged cut-out level subset",
     [](IDirect3DDevice8* d, IDirect3DTexture8* t) {
         d->SetTexture(0, t);
         CutOut(d);
         SlantedQuad(d, -1.5f, 1.5f);
     }},
    {"fogged blended subset over an opaque one",
     [](IDirect3DDevice8* d, IDirect3DTexture8* t) {
         d->SetTexture(0, t);
         d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
         SlantedQuad(d, -1.5f, 0.5f);
         Blended(d);
         SlantedQuad(d, -0.5f, 1.5f);
     }},
    {"untextured fogged subsets, cut-out and blended",
     [](IDirect3DDevice8* d, IDirect3DTexture8*) {
         d->SetTexture(0, nullptr);
         CutOut(d);
         SlantedQuad(d, -1.5f, 0.0f);
         Blended(d);
         SlantedQuad(d, 0.0f, 1.5f);
     }},
    {"unfogged sky box with every depth passing",
     [](IDirect3DDevice8* d, IDirect3DTexture8* t) {
         d->SetTexture(0, t);
         d->SetRenderState(D3DRS_FOGENABLE, FALSE);
         d->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
         Blended(d);
         SlantedQuad(d, -1.5f, 1.5f);
         d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
     }},
    {"two-sided detail with the alpha test in both halves",
     [](IDirect3DDevice8* d, IDirect3DTexture8* t) {
         d->SetTexture(0, t);
         d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
         d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
         d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
         CutOut(d);
         SlantedQuad(d, 1.5f, -1.5f);
     }},
    {"light coronas over the level",
     [](IDirect3DDevice8* d, IDirect3DTexture8* t) {
         d->SetTexture(0, t);
         SlantedQuad(d, -1.5f, 1.5f);
         Coronas(d, t);
     }},
    {"2D images and the fade overlay",
     [](IDirect3DDevice8* d, IDirect3DTexture8* t) {
         d->SetTexture(0, t);
         SlantedQuad(d, -1.5f, 1.5f);
         Image(d, 0xFFFFFFFF);
         Image(d, 0x80FFFFFF);
     }},
};

// The scene's pixels through the chosen programs, on a fresh device each time.
std::vector<uint32_t> Render(const EngineScene& s, bool specialised, size_t& programsBuilt) {
    Scene scene(64, 64);
    if (!scene.Ready())
        return {};
    IDirect3DDevice8* d = scene.device;
    D3D8SetSpecialisedPrograms(d, specialised);
    IDirect3DTexture8* texture = GradientTexture(d);
    SetCamera(d);
    d->SetRenderState(D3DRS_FOGENABLE, TRUE);
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF281450, 1.0f, 0);
    s.draw(d, texture);
    scene.Read();
    programsBuilt = D3D8SpecialisedProgramCount(d);
    d->SetTexture(0, nullptr);
    texture->Release();
    return scene.pixels;
}

} // namespace

TEST(D3D8Programs, EveryEngineStateDrawsTheSamePixelsAsTheGeneralProgram) {
    for (const EngineScene& s : SCENES) {
        size_t generalBuilt = 0, specialisedBuilt = 0;
        const std::vector<uint32_t> general = Render(s, false, generalBuilt);
        const std::vector<uint32_t> specialised = Render(s, true, specialisedBuilt);
        ASSERT_EQ(general.size(), 64u * 64u) << s.name;
        ASSERT_EQ(specialised.size(), general.size()) << s.name;
        EXPECT_EQ(generalBuilt, 0u) << s.name;
        EXPECT_GE(specialisedBuilt, 1u) << s.name;
        // The scene must draw something for the comparison to mean anything.
        size_t drawn = 0, differing = 0, first = 0;
        for (size_t i = 0; i < general.size(); ++i) {
            drawn += general[i] != 0xFF281450u;
            if (general[i] != specialised[i] && differing++ == 0)
                first = i;
        }
        EXPECT_GT(drawn, 200u) << s.name;
        EXPECT_EQ(differing, 0u) << s.name << ": first at (" << first % 64 << ", " << first / 64
                                 << "): general " << std::hex << general[first] << ", specialised "
                                 << specialised[first];
    }
}

TEST(D3D8Programs, StatesThatDrawAlikeShareOneProgram) {
    Scene scene(16, 16);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // Values (colours, reference, fog range) are uniforms; only the alpha function and
    // the texture stage choose a program.
    scene.FillRect(0, 0, 8, 8, 0xFF102030);
    d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x12345678);
    d->SetRenderState(D3DRS_ALPHAREF, 99);
    scene.FillRect(0, 0, 8, 8, 0xFF405060);
    EXPECT_EQ(D3D8SpecialisedProgramCount(d), 1u);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS); // passes everything: no test
    scene.FillRect(0, 0, 8, 8, 0xFF405060);
    EXPECT_EQ(D3D8SpecialisedProgramCount(d), 1u);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    scene.FillRect(0, 0, 8, 8, 0xFF405060);
    EXPECT_EQ(D3D8SpecialisedProgramCount(d), 2u);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    scene.FillRect(0, 0, 8, 8, 0xFF405060);
    EXPECT_EQ(D3D8SpecialisedProgramCount(d), 2u);
}

TEST(D3D8Buffers, EveryRangeWrittenBetweenDrawsReachesTheScreen) {
    Scene scene(64, 16);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // Sixteen quads side by side, four pixels wide each, in one buffer bigger than the
    // comparison blocks; rewritten in various ranges, drawn after each rewrite.
    constexpr UINT QUADS = 16;
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(QUADS * 6 * sizeof(ScreenVertex), 0, SCREEN_FVF,
                                    D3DPOOL_SYSTEMMEM, &buffer),
              D3D_OK);
    std::vector<D3DCOLOR> colours(QUADS, 0xFF000080);
    auto write = [&](UINT from, UINT to, D3DCOLOR colour) {
        BYTE* data = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
        auto* v = reinterpret_cast<ScreenVertex*>(data);
        for (UINT q = 0; q < QUADS; ++q) {
            if (q >= from && q < to)
                colours[q] = colour;
            const float x0 = 4.0f * q, x1 = x0 + 4.0f;
            const ScreenVertex quad[6] = {
                {x0, 0, 0.5f, 1, colours[q]},  {x1, 0, 0.5f, 1, colours[q]},
                {x0, 16, 0.5f, 1, colours[q]}, {x1, 0, 0.5f, 1, colours[q]},
                {x1, 16, 0.5f, 1, colours[q]}, {x0, 16, 0.5f, 1, colours[q]}};
            std::memcpy(v + q * 6, quad, sizeof quad);
        }
        buffer->Unlock();
    };
    struct Write {
        UINT from, to;
        D3DCOLOR colour;
    };
    const Write writes[] = {{0, 16, 0xFF000080}, {0, 16, 0xFF000080},  {3, 4, 0xFFFF0000},
                            {0, 1, 0xFF00FF00},  {15, 16, 0xFF0000FF}, {5, 11, 0xFFFFFF00},
                            {3, 4, 0xFF000080},  {0, 16, 0xFF00FFFF}};
    d->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    d->SetVertexShader(SCREEN_FVF);
    for (const Write& w : writes) {
        write(w.from, w.to, w.colour);
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, QUADS * 2);
        scene.Read();
        for (UINT q = 0; q < QUADS; ++q)
            EXPECT_EQ(scene.Pixel(4 * q + 2, 8), colours[q])
                << "quad " << q << " after writing " << w.from << ".." << w.to;
    }
    d->SetStreamSource(0, nullptr, 0);
    buffer->Release();
}
