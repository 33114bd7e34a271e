// The in-memory device behind the tests that load meshes and textures through D3DX.
#include "support/fake_device.h"

#include "support/memory_buffer.h"

#include <algorithm>

namespace {

bool IsBlockFormat(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

UINT BytesPerPixel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_L8:
    case D3DFMT_A8:
    case D3DFMT_P8:
    case D3DFMT_R3G3B2:
    case D3DFMT_A4L4:
        return 1;
    default:
        return 2;
    }
}

} // namespace

FakeDevice::FakeDevice() = default;

HRESULT FakeDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD, D3DFORMAT Format,
                                  D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    if (std::find(refusedFormats.begin(), refusedFormats.end(), Format) != refusedFormats.end())
        return D3DERR_INVALIDCALL;
    auto* texture = new FakeTexture;
    texture->format = Format;
    texture->width = Width;
    texture->height = Height;
    texture->pool = Pool;
    for (UINT level = 0; level < Levels; ++level) {
        const UINT w = texture->LevelWidth(level), h = texture->LevelHeight(level);
        UINT pitch, rows;
        if (IsBlockFormat(Format)) {
            pitch = (w + 3) / 4 * (Format == D3DFMT_DXT1 ? 8 : 16);
            rows = (h + 3) / 4;
        } else {
            pitch = w * BytesPerPixel(Format);
            rows = h;
        }
        texture->pitches.push_back(pitch);
        texture->levels.emplace_back(static_cast<size_t>(pitch) * rows, 0xCD);
    }
    *ppTexture = texture;
    return D3D_OK;
}

HRESULT FakeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (Level >= levels.size())
        return D3DERR_INVALIDCALL;
    *pDesc = D3DSURFACE_DESC{};
    pDesc->Format = format;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Pool = pool;
    pDesc->Size = static_cast<UINT>(levels[Level].size());
    pDesc->Width = LevelWidth(Level);
    pDesc->Height = LevelHeight(Level);
    return D3D_OK;
}

HRESULT FakeTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT*, DWORD) {
    if (Level >= levels.size())
        return D3DERR_INVALIDCALL;
    pLockedRect->Pitch = static_cast<INT>(pitches[Level]);
    pLockedRect->pBits = levels[Level].data();
    return D3D_OK;
}

HRESULT FakeDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer8** ppVertexBuffer) {
    D3DVERTEXBUFFER_DESC desc{};
    desc.Format = D3DFMT_VERTEXDATA;
    desc.Type = D3DRTYPE_VERTEXBUFFER;
    desc.Usage = Usage;
    desc.Pool = Pool;
    desc.Size = Length;
    desc.FVF = FVF;
    *ppVertexBuffer = MemoryBuffer<IDirect3DVertexBuffer8>::Create(desc);
    return D3D_OK;
}

HRESULT FakeDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer8** ppIndexBuffer) {
    D3DINDEXBUFFER_DESC desc{};
    desc.Format = Format;
    desc.Type = D3DRTYPE_INDEXBUFFER;
    desc.Usage = Usage;
    desc.Pool = Pool;
    desc.Size = Length;
    *ppIndexBuffer = MemoryBuffer<IDirect3DIndexBuffer8>::Create(desc);
    return D3D_OK;
}

HRESULT FakeDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    if (Stage >= 8)
        return D3DERR_INVALIDCALL;
    if (pTexture != nullptr)
        pTexture->AddRef();
    if (textures[Stage] != nullptr)
        textures[Stage]->Release();
    textures[Stage] = pTexture;
    return D3D_OK;
}

HRESULT FakeDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    if (Stage >= 8)
        return D3DERR_INVALIDCALL;
    *ppTexture = textures[Stage];
    if (textures[Stage] != nullptr)
        textures[Stage]->AddRef();
    return D3D_OK;
}

HRESULT FakeDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                    const void* pVertexStreamZeroData,
                                    UINT VertexStreamZeroStride) {
    const UINT vertices = PrimitiveType == D3DPT_TRIANGLESTRIP  ? PrimitiveCount + 2
                          : PrimitiveType == D3DPT_TRIANGLELIST ? PrimitiveCount * 3
                                                                : PrimitiveCount;
    const auto* bytes = static_cast<const uint8_t*>(pVertexStreamZeroData);
    upVertices.assign(bytes, bytes + static_cast<size_t>(vertices) * VertexStreamZeroStride);
    upType = PrimitiveType;
    upCount = PrimitiveCount;
    upRenderStates = renderStates;
    upStageStates = stageStates;
    upTexture = textures[0];
    upVertexShader = vertexShader;
    stream = nullptr; // the platform leaves stream 0 unset after a draw from user memory
    return D3D_OK;
}
