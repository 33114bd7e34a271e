// ID3DXSprite: draws a texture as a screen-space rectangle of pre-transformed vertices.
// Every draw sets its own render and texture-stage states and puts the caller's back
// afterwards (Begin and End hold them over several draws), so nothing the caller set changes
// the sprite: no depth test, culling, lighting or fog; stage 0 modulates texture and colour,
// stage 1 is off; linear filtering without mips, clamped addressing. Blending with source
// alpha is on only when the colour's alpha is below 255 or the texture's format has alpha.
// As with any DrawPrimitiveUP, stream 0 is left unset.
#include "d3dx/d3dx8.h"
#include "win32/ref_counted.h"

#include "d3dx/image_format.h"

#include <array>
#include <cmath>
#include <new>

namespace {

constexpr DWORD D3DPBLENDCAPS_SRCALPHA = 0x10;
constexpr DWORD D3DPBLENDCAPS_INVSRCALPHA = 0x20;

struct SpriteVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD SPRITE_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Render states a sprite draw sets; the blending ones are filled in per draw.
constexpr std::array<D3DRENDERSTATETYPE, 20> RENDER_STATES = {
    D3DRS_ZENABLE,         D3DRS_ZWRITEENABLE,     D3DRS_CULLMODE,       D3DRS_LIGHTING,
    D3DRS_FOGENABLE,       D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,       D3DRS_DESTBLEND,
    D3DRS_ALPHATESTENABLE, D3DRS_ALPHAFUNC,        D3DRS_ALPHAREF,       D3DRS_FILLMODE,
    D3DRS_SHADEMODE,       D3DRS_STENCILENABLE,    D3DRS_SPECULARENABLE, D3DRS_VERTEXBLEND,
    D3DRS_BLENDOP,         D3DRS_COLORWRITEENABLE, D3DRS_WRAP0,          D3DRS_CLIPPING,
};

struct StageState {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};

constexpr std::array<StageState, 15> STAGE_STATES = {{
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
    {0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP},
    {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
    {0, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
    {0, D3DTSS_TEXCOORDINDEX, 0},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, 0},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
}};

// The caller's states, taken before the sprite sets its own.
struct SavedStates {
    std::array<DWORD, RENDER_STATES.size()> render{};
    std::array<bool, RENDER_STATES.size()> renderValid{};
    std::array<DWORD, STAGE_STATES.size()> stage{};
    std::array<bool, STAGE_STATES.size()> stageValid{};
    IDirect3DBaseTexture8* texture = nullptr;
    DWORD vertexShader = 0;
    bool vertexShaderValid = false;
};

class D3DXSpriteImpl final : public RefCounted<ID3DXSprite> {
  public:
    explicit D3DXSpriteImpl(IDirect3DDevice8* pDevice) : device(pDevice) {
        device->AddRef();
        D3DCAPS8 caps{};
        if (SUCCEEDED(device->GetDeviceCaps(&caps)))
            canBlend = (caps.SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA) &&
                       (caps.DestBlendCaps & D3DPBLENDCAPS_INVSRCALPHA);
    }

    HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) override {
        if (ppDevice == nullptr)
            return D3DERR_INVALIDCALL;
        device->AddRef();
        *ppDevice = device;
        return D3D_OK;
    }
    HRESULT Begin() override {
        if (inBegin)
            return D3DERR_INVALIDCALL;
        Save();
        inBegin = true;
        return D3D_OK;
    }
    HRESULT End() override {
        if (!inBegin)
            return D3DERR_INVALIDCALL;
        Restore();
        inBegin = false;
        return D3D_OK;
    }
    HRESULT Draw(LPDIRECT3DTEXTURE8 pSrcTexture, const RECT* pSrcRect, const D3DXVECTOR2* pScaling,
                 const D3DXVECTOR2* pRotationCenter, FLOAT Rotation,
                 const D3DXVECTOR2* pTranslation, D3DCOLOR Color) override;

  private:
    ~D3DXSpriteImpl() override {
        if (inBegin)
            Restore();
        device->Release();
    }

    void Save();
    void Restore();
    void Apply(bool blend);

    IDirect3DDevice8* device;
    SavedStates saved;
    bool inBegin = false;
    bool canBlend = true;
};

void D3DXSpriteImpl::Save() {
    for (size_t i = 0; i < RENDER_STATES.size(); ++i)
        saved.renderValid[i] =
            SUCCEEDED(device->GetRenderState(RENDER_STATES[i], &saved.render[i]));
    for (size_t i = 0; i < STAGE_STATES.size(); ++i)
        saved.stageValid[i] = SUCCEEDED(device->GetTextureStageState(
            STAGE_STATES[i].stage, STAGE_STATES[i].type, &saved.stage[i]));
    saved.texture = nullptr;
    if (FAILED(device->GetTexture(0, &saved.texture)))
        saved.texture = nullptr;
    saved.vertexShaderValid = SUCCEEDED(device->GetVertexShader(&saved.vertexShader));
}

void D3DXSpriteImpl::Restore() {
    for (size_t i = 0; i < RENDER_STATES.size(); ++i)
        if (saved.renderValid[i])
            device->SetRenderState(RENDER_STATES[i], saved.render[i]);
    for (size_t i = 0; i < STAGE_STATES.size(); ++i)
        if (saved.stageValid[i])
            device->SetTextureStageState(STAGE_STATES[i].stage, STAGE_STATES[i].type,
                                         saved.stage[i]);
    device->SetTexture(0, saved.texture);
    if (saved.texture != nullptr) {
        saved.texture->Release();
        saved.texture = nullptr;
    }
    if (saved.vertexShaderValid)
        device->SetVertexShader(saved.vertexShader);
}

void D3DXSpriteImpl::Apply(bool blend) {
    // Without source-alpha blending an alpha test at half coverage stands in for it.
    const bool useBlend = blend && canBlend;
    const bool useTest = blend;
    const DWORD values[RENDER_STATES.size()] = {
        FALSE,                                           // ZENABLE
        FALSE,                                           // ZWRITEENABLE
        D3DCULL_NONE,                                    // CULLMODE
        FALSE,                                           // LIGHTING
        FALSE,                                           // FOGENABLE
        useBlend ? 1u : 0u,                              // ALPHABLENDENABLE
        D3DBLEND_SRCALPHA,                               // SRCBLEND
        D3DBLEND_INVSRCALPHA,                            // DESTBLEND
        useTest ? 1u : 0u,                               // ALPHATESTENABLE
        canBlend ? D3DCMP_GREATER : D3DCMP_GREATEREQUAL, // ALPHAFUNC
        canBlend ? 0u : 127u,                            // ALPHAREF
        D3DFILL_SOLID,                                   // FILLMODE
        D3DSHADE_GOURAUD,                                // SHADEMODE
        FALSE,                                           // STENCILENABLE
        FALSE,                                           // SPECULARENABLE
        0,                                               // VERTEXBLEND
        D3DBLENDOP_ADD,                                  // BLENDOP
        0xF,                                             // COLORWRITEENABLE
        0,                                               // WRAP0
        TRUE,                                            // CLIPPING
    };
    for (size_t i = 0; i < RENDER_STATES.size(); ++i)
        device->SetRenderState(RENDER_STATES[i], values[i]);
    for (const StageState& s : STAGE_STATES)
        device->SetTextureStageState(s.stage, s.type, s.value);
}

HRESULT D3DXSpriteImpl::Draw(LPDIRECT3DTEXTURE8 pSrcTexture, const RECT* pSrcRect,
                             const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                             FLOAT Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) {
    if (pSrcTexture == nullptr)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    if (FAILED(pSrcTexture->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0)
        return D3DERR_INVALIDCALL;
    RECT source = {0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    if (pSrcRect != nullptr)
        source = *pSrcRect;
    const float width = static_cast<float>(source.right - source.left);
    const float height = static_cast<float>(source.bottom - source.top);
    const float u0 = static_cast<float>(source.left) / desc.Width;
    const float v0 = static_cast<float>(source.top) / desc.Height;
    const float u1 = static_cast<float>(source.right) / desc.Width;
    const float v1 = static_cast<float>(source.bottom) / desc.Height;

    const D3DXVECTOR2 scale = pScaling != nullptr ? *pScaling : D3DXVECTOR2(1.0f, 1.0f);
    const D3DXVECTOR2 centre = pRotationCenter != nullptr ? *pRotationCenter : D3DXVECTOR2(0, 0);
    const D3DXVECTOR2 move = pTranslation != nullptr ? *pTranslation : D3DXVECTOR2(0, 0);
    const float c = std::cos(Rotation), s = std::sin(Rotation);
    // Scale, rotate about the centre (row vector times the z rotation: x' = x c - y s,
    // y' = x s + y c), then translate. The half-pixel shift puts texel centres on pixel
    // centres, which sit on integer coordinates.
    auto place = [&](float x, float y, float u, float v) {
        const float sx = x * scale.x - centre.x, sy = y * scale.y - centre.y;
        SpriteVertex out;
        out.x = sx * c - sy * s + centre.x + move.x - 0.5f;
        out.y = sx * s + sy * c + centre.y + move.y - 0.5f;
        out.z = 0.0f;
        out.rhw = 1.0f;
        out.color = Color;
        out.u = u;
        out.v = v;
        return out;
    };
    const SpriteVertex quad[4] = {place(0, 0, u0, v0), place(width, 0, u1, v0),
                                  place(0, height, u0, v1), place(width, height, u1, v1)};

    const bool blend = (Color >> 24) < 255 || FormatHasAlpha(desc.Format);
    if (!inBegin)
        Save();
    Apply(blend);
    device->SetTexture(0, pSrcTexture);
    device->SetVertexShader(SPRITE_FVF);
    const HRESULT hr = device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SpriteVertex));
    if (!inBegin)
        Restore();
    return hr;
}

} // namespace

HRESULT D3DXCreateSprite(LPDIRECT3DDEVICE8 pDevice, LPD3DXSPRITE* ppSprite) {
    if (ppSprite == nullptr)
        return D3DERR_INVALIDCALL;
    *ppSprite = nullptr;
    if (pDevice == nullptr)
        return D3DERR_INVALIDCALL;
    auto* sprite = new (std::nothrow) D3DXSpriteImpl(pDevice);
    if (sprite == nullptr)
        return E_OUTOFMEMORY;
    *ppSprite = sprite;
    return D3D_OK;
}
