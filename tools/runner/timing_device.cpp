// The timing device: plain forwarding, with the two marks the frame timer needs. Resources
// made through it belong to the real device, so they work with everything else unchanged.
#include "tools/runner/timing_device.h"

namespace {

class TimingDevice final : public IDirect3DDevice8 {
  public:
    TimingDevice(IDirect3DDevice8* innerDevice, FrameTimer* frameTimer)
        : inner(innerDevice), timer(frameTimer) {
        inner->AddRef();
    }

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override {
        return inner->QueryInterface(riid, ppvObj);
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override {
        const ULONG left = --references;
        if (left == 0) {
            inner->Release();
            delete this;
        }
        return left;
    }

    HRESULT TestCooperativeLevel() override {
        timer->DeviceCall();
        return inner->TestCooperativeLevel();
    }
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override {
        timer->DeviceCall();
        return inner->GetDirect3D(ppD3D8);
    }
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override {
        timer->DeviceCall();
        return inner->GetDeviceCaps(pCaps);
    }
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override {
        timer->DeviceCall();
        return inner->GetDisplayMode(pMode);
    }
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override {
        timer->DeviceCall();
        return inner->Clear(Count, pRects, Flags, Color, Z, Stencil);
    }
    HRESULT BeginScene() override {
        timer->DeviceCall();
        return inner->BeginScene();
    }
    HRESULT EndScene() override {
        timer->DeviceCall();
        return inner->EndScene();
    }
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const void* pDirtyRegion) override {
        timer->BeginPresent();
        const HRESULT result =
            inner->Present(pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion);
        timer->EndPresent();
        return result;
    }
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override {
        timer->DeviceCall();
        return inner->CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture);
    }
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override {
        timer->DeviceCall();
        return inner->CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer);
    }
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override {
        timer->DeviceCall();
        return inner->CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer);
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override {
        timer->DeviceCall();
        return inner->SetTransform(State, pMatrix);
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override {
        timer->DeviceCall();
        return inner->GetTransform(State, pMatrix);
    }
    HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override {
        timer->DeviceCall();
        return inner->SetViewport(pViewport);
    }
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override {
        timer->DeviceCall();
        return inner->GetViewport(pViewport);
    }
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override {
        timer->DeviceCall();
        return inner->SetMaterial(pMaterial);
    }
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override {
        timer->DeviceCall();
        return inner->GetMaterial(pMaterial);
    }
    HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override {
        timer->DeviceCall();
        return inner->SetLight(Index, pLight);
    }
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override {
        timer->DeviceCall();
        return inner->GetLight(Index, pLight);
    }
    HRESULT LightEnable(DWORD Index, BOOL Enable) override {
        timer->DeviceCall();
        return inner->LightEnable(Index, Enable);
    }
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override {
        timer->DeviceCall();
        return inner->GetLightEnable(Index, pEnable);
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override {
        timer->DeviceCall();
        return inner->SetRenderState(State, Value);
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override {
        timer->DeviceCall();
        return inner->GetRenderState(State, pValue);
    }
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override {
        timer->DeviceCall();
        return inner->SetTexture(Stage, pTexture);
    }
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override {
        timer->DeviceCall();
        return inner->GetTexture(Stage, ppTexture);
    }
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override {
        timer->DeviceCall();
        return inner->SetTextureStageState(Stage, Type, Value);
    }
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override {
        timer->DeviceCall();
        return inner->GetTextureStageState(Stage, Type, pValue);
    }
    HRESULT SetVertexShader(DWORD Handle) override {
        timer->DeviceCall();
        return inner->SetVertexShader(Handle);
    }
    HRESULT GetVertexShader(DWORD* pHandle) override {
        timer->DeviceCall();
        return inner->GetVertexShader(pHandle);
    }
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                            UINT Stride) override {
        timer->DeviceCall();
        return inner->SetStreamSource(StreamNumber, pStreamData, Stride);
    }
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override {
        timer->DeviceCall();
        return inner->SetIndices(pIndexData, BaseVertexIndex);
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override {
        timer->DeviceCall();
        return inner->DrawPrimitive(PrimitiveType, StartVertex, PrimitiveCount);
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex, UINT NumVertices,
                                 UINT StartIndex, UINT PrimitiveCount) override {
        timer->DeviceCall();
        return inner->DrawIndexedPrimitive(PrimitiveType, MinIndex, NumVertices, StartIndex,
                                           PrimitiveCount);
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                            const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override {
        timer->DeviceCall();
        return inner->DrawPrimitiveUP(PrimitiveType, PrimitiveCount, pVertexStreamZeroData,
                                      VertexStreamZeroStride);
    }

  private:
    ~TimingDevice() override = default;

    IDirect3DDevice8* inner;
    FrameTimer* timer;
    ULONG references = 1;
};

} // namespace

IDirect3DDevice8* CreateTimingDevice(IDirect3DDevice8* inner, FrameTimer* timer) {
    return new TimingDevice(inner, timer);
}
