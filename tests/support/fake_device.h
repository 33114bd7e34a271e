// A Direct3D 8 device without GL for the tests of D3DX and of what loads through it: buffers and
// textures live in memory, render and texture-stage states are kept in tables, and draw calls are
// recorded.
#pragma once

#include "d3dx/d3dx8.h"

#include <map>
#include <vector>

struct FakeDrawCall {
    D3DPRIMITIVETYPE type;
    UINT startIndex;
    UINT primitiveCount;
    UINT numVertices;
    DWORD vertexShader;
    IDirect3DVertexBuffer8* stream;
    IDirect3DIndexBuffer8* indices;
};

class FakeDevice final : public IDirect3DDevice8 {
  public:
    FakeDevice();

    std::vector<FakeDrawCall> draws;
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
    IDirect3DBaseTexture8* textures[8] = {};
    DWORD vertexShader = 0;
    IDirect3DVertexBuffer8* stream = nullptr;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    std::vector<D3DFORMAT> refusedFormats; // CreateTexture fails for these
    DWORD maxTextureSize = 4096;
    DWORD blendCaps = 0x1FFF; // every blend factor
    // What the last DrawPrimitiveUP saw: its vertices and the states at the time.
    std::vector<uint8_t> upVertices;
    D3DPRIMITIVETYPE upType = D3DPT_POINTLIST;
    UINT upCount = 0;
    std::map<DWORD, DWORD> upRenderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> upStageStates;
    IDirect3DBaseTexture8* upTexture = nullptr;
    DWORD upVertexShader = 0;
    ULONG references = 1;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT TestCooperativeLevel() override { return D3D_OK; }
    HRESULT GetDirect3D(IDirect3D8**) override { return D3DERR_INVALIDCALL; }
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override {
        *pCaps = D3DCAPS8{};
        pCaps->MaxTextureWidth = maxTextureSize;
        pCaps->MaxTextureHeight = maxTextureSize;
        pCaps->SrcBlendCaps = blendCaps;
        pCaps->DestBlendCaps = blendCaps;
        return D3D_OK;
    }
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return D3DERR_INVALIDCALL; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }
    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return D3D_OK; }
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return D3D_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return D3D_OK; }
    HRESULT SetViewport(const D3DVIEWPORT8*) override { return D3D_OK; }
    HRESULT GetViewport(D3DVIEWPORT8*) override { return D3D_OK; }
    HRESULT SetMaterial(const D3DMATERIAL8*) override { return D3D_OK; }
    HRESULT GetMaterial(D3DMATERIAL8*) override { return D3D_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT8*) override { return D3D_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT8*) override { return D3D_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return D3D_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return D3D_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override {
        renderStates[State] = Value;
        return D3D_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override {
        *pValue = renderStates[State];
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override {
        stageStates[{Stage, Type}] = Value;
        return D3D_OK;
    }
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override {
        *pValue = stageStates[{Stage, Type}];
        return D3D_OK;
    }
    HRESULT SetVertexShader(DWORD Handle) override {
        vertexShader = Handle;
        return D3D_OK;
    }
    HRESULT GetVertexShader(DWORD* pHandle) override {
        *pHandle = vertexShader;
        return D3D_OK;
    }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer8* pStreamData, UINT) override {
        stream = pStreamData;
        return D3D_OK;
    }
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT) override {
        indexBuffer = pIndexData;
        return D3D_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return D3D_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT, UINT NumVertices,
                                 UINT StartIndex, UINT PrimitiveCount) override {
        draws.push_back({PrimitiveType, StartIndex, PrimitiveCount, NumVertices, vertexShader,
                         stream, indexBuffer});
        return D3D_OK;
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                            const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
};

// The texture type the fake device makes: levels of raw bytes, packed rows.
struct FakeTexture final : IDirect3DTexture8 {
    D3DFORMAT format;
    UINT width, height;
    D3DPOOL pool;
    std::vector<std::vector<uint8_t>> levels;
    std::vector<UINT> pitches;
    ULONG references = 1;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return D3DERR_INVALIDCALL; }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT*, DWORD) override;
    HRESULT UnlockRect(UINT) override { return D3D_OK; }
    UINT LevelWidth(UINT level) const { return width >> level ? width >> level : 1; }
    UINT LevelHeight(UINT level) const { return height >> level ? height >> level : 1; }
};
