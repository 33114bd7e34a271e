// IDirect3DDevice8: lifetime, resource creation and the tracked state (Set*/Get*). Drawing
// and clearing are in d3d8_draw.cpp, the context, back buffer and Present in d3d8_present.cpp.
#include "d3d8/d3d8_local.h"
#include "win32/win32_platform.h"

#include <new>

namespace {

uint32_t Flag(const void* pointer) {
    return pointer != nullptr ? 1u : 0u;
}

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// The light a Direct3D 8 device creates when an unset light is enabled.
D3DLIGHT8 DefaultLight() {
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    return light;
}

// A light as floats for the recording: type, then every field in order.
std::vector<float> LightFloats(const D3DLIGHT8& light) {
    const auto* fields = reinterpret_cast<const float*>(&light.Diffuse);
    const size_t count = (sizeof(D3DLIGHT8) - offsetof(D3DLIGHT8, Diffuse)) / sizeof(float);
    return std::vector<float>(fields, fields + count);
}

} // namespace

D3D8Device::D3D8Device(D3D8Direct3D* d3d, D3DDEVTYPE type, HWND hwnd, DWORD flags,
                       const D3DPRESENT_PARAMETERS& presentParams)
    : direct3d(d3d), deviceType(type), window(hwnd), behaviorFlags(flags), params(presentParams) {
    direct3d->AddRef();
}

D3D8Device::~D3D8Device() {
    if (context != nullptr) {
        MakeCurrent();
        // Unbinding lets resources the application already released go now.
        for (D3D8Texture*& texture : textures) {
            if (texture != nullptr)
                texture->Unbind();
            texture = nullptr;
        }
        if (streamSource != nullptr)
            streamSource->Unbind();
        if (indexSource != nullptr)
            indexSource->Unbind();
        streamSource = nullptr;
        indexSource = nullptr;
        DestroyGlObjects();
        SDL_GL_MakeCurrent(sdlWindow, nullptr);
        SDL_GL_DeleteContext(context);
    }
    if (attached) {
        Win32SetBackBufferSize(window, 0, 0);
        Win32DetachDevice(window);
    }
    direct3d->Release();
}

void D3D8Device::MakeCurrent() {
    if (context != nullptr && SDL_GL_GetCurrentContext() != context)
        SDL_GL_MakeCurrent(sdlWindow, context);
}

void D3D8Device::ForgetGlBuffer(GLuint name) {
    if (cache.arrayBuffer == name)
        cache.arrayBuffer = 0;
    if (cache.elementBuffer == name)
        cache.elementBuffer = 0;
    if (cache.layoutKey[0] == static_cast<int64_t>(name))
        cache.layoutKey = {-1, -1, -1, -1};
}

void D3D8Device::ForgetGlTexture(GLuint name) {
    if (cache.texture == name)
        cache.texture = 0;
}

HRESULT D3D8Device::TestCooperativeLevel() {
    recorder.Add("TestCooperativeLevel", {});
    return D3D_OK;
}

HRESULT D3D8Device::GetDirect3D(IDirect3D8** ppD3D8) {
    recorder.Add("GetDirect3D", {Flag(ppD3D8)});
    if (ppD3D8 == nullptr)
        return D3DERR_INVALIDCALL;
    direct3d->AddRef();
    *ppD3D8 = direct3d;
    return D3D_OK;
}

HRESULT D3D8Device::GetDeviceCaps(D3DCAPS8* pCaps) {
    recorder.Add("GetDeviceCaps", {Flag(pCaps)});
    if (pCaps == nullptr)
        return D3DERR_INVALIDCALL;
    D3D8FillCaps(deviceType, *pCaps);
    return D3D_OK;
}

HRESULT D3D8Device::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    recorder.Add("GetDisplayMode", {Flag(pMode)});
    if (pMode == nullptr)
        return D3DERR_INVALIDCALL;
    *pMode = {params.BackBufferWidth, params.BackBufferHeight, 60, params.BackBufferFormat};
    return D3D_OK;
}

HRESULT D3D8Device::BeginScene() {
    recorder.Add("BeginScene", {});
    if (inScene)
        return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT D3D8Device::EndScene() {
    recorder.Add("EndScene", {});
    if (!inScene)
        return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

HRESULT D3D8Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                  D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    HRESULT result = D3DERR_INVALIDCALL;
    D3D8Texture* texture = nullptr;
    const D3D8FormatInfo* info = D3D8FindFormat(Format);
    if (ppTexture != nullptr && Width > 0 && Height > 0 && Width <= 4096 && Height <= 4096) {
        if (info == nullptr) {
            result = D3DERR_INVALIDCALL;
        } else {
            texture = new (std::nothrow) D3D8Texture(this, Usage, *info, Pool);
            if (texture != nullptr && !texture->Allocate(Width, Height, Levels)) {
                texture->Release();
                texture = nullptr;
            }
            result = texture != nullptr ? D3D_OK : E_OUTOFMEMORY;
        }
    }
    if (ppTexture != nullptr)
        *ppTexture = texture;
    recorder.Add("CreateTexture", {Width, Height, Levels, Usage, Format, Pool,
                                   texture != nullptr ? texture->resourceId : 0u});
    return result;
}

HRESULT D3D8Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer8** ppVertexBuffer) {
    D3D8VertexBuffer* buffer = nullptr;
    HRESULT result = D3DERR_INVALIDCALL;
    if (ppVertexBuffer != nullptr && Length > 0) {
        buffer = new (std::nothrow) D3D8VertexBuffer(this, Usage, FVF, Pool);
        if (buffer != nullptr && !buffer->Allocate(Length)) {
            buffer->Release();
            buffer = nullptr;
        }
        result = buffer != nullptr ? D3D_OK : E_OUTOFMEMORY;
    }
    if (ppVertexBuffer != nullptr)
        *ppVertexBuffer = buffer;
    recorder.Add("CreateVertexBuffer",
                 {Length, Usage, FVF, Pool, buffer != nullptr ? buffer->resourceId : 0u});
    return result;
}

HRESULT D3D8Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer8** ppIndexBuffer) {
    D3D8IndexBuffer* buffer = nullptr;
    HRESULT result = D3DERR_INVALIDCALL;
    const bool validFormat = Format == D3DFMT_INDEX16 || Format == D3DFMT_INDEX32;
    if (ppIndexBuffer != nullptr && Length > 0 && validFormat) {
        buffer = new (std::nothrow) D3D8IndexBuffer(this, Usage, Format, Pool);
        if (buffer != nullptr && !buffer->Allocate(Length)) {
            buffer->Release();
            buffer = nullptr;
        }
        result = buffer != nullptr ? D3D_OK : E_OUTOFMEMORY;
    }
    if (ppIndexBuffer != nullptr)
        *ppIndexBuffer = buffer;
    recorder.Add("CreateIndexBuffer",
                 {Length, Usage, Format, Pool, buffer != nullptr ? buffer->resourceId : 0u});
    return result;
}

HRESULT D3D8Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    recorder.Add("SetTransform", {State, Flag(pMatrix)},
                 pMatrix != nullptr ? &pMatrix->m[0][0] : nullptr, pMatrix != nullptr ? 16 : 0);
    if (pMatrix == nullptr || State > 511)
        return D3DERR_INVALIDCALL;
    state.transforms[State] = *pMatrix;
    return D3D_OK;
}

HRESULT D3D8Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    recorder.Add("GetTransform", {State, Flag(pMatrix)});
    if (pMatrix == nullptr || State > 511)
        return D3DERR_INVALIDCALL;
    auto found = state.transforms.find(State);
    *pMatrix = found != state.transforms.end() ? found->second : IdentityMatrix();
    return D3D_OK;
}

HRESULT D3D8Device::SetViewport(const D3DVIEWPORT8* pViewport) {
    if (pViewport == nullptr) {
        recorder.Add("SetViewport", {0});
        return D3DERR_INVALIDCALL;
    }
    const float depths[2] = {pViewport->MinZ, pViewport->MaxZ};
    recorder.Add("SetViewport",
                 {1, pViewport->X, pViewport->Y, pViewport->Width, pViewport->Height}, depths, 2);
    // The viewport must lie inside the render target.
    if (pViewport->Width == 0 || pViewport->Height == 0 ||
        static_cast<uint64_t>(pViewport->X) + pViewport->Width > params.BackBufferWidth ||
        static_cast<uint64_t>(pViewport->Y) + pViewport->Height > params.BackBufferHeight)
        return D3DERR_INVALIDCALL;
    state.viewport = *pViewport;
    return D3D_OK;
}

HRESULT D3D8Device::GetViewport(D3DVIEWPORT8* pViewport) {
    recorder.Add("GetViewport", {Flag(pViewport)});
    if (pViewport == nullptr)
        return D3DERR_INVALIDCALL;
    *pViewport = state.viewport;
    return D3D_OK;
}

HRESULT D3D8Device::SetMaterial(const D3DMATERIAL8* pMaterial) {
    recorder.Add("SetMaterial", {Flag(pMaterial)},
                 pMaterial != nullptr ? &pMaterial->Diffuse.r : nullptr,
                 pMaterial != nullptr ? sizeof(D3DMATERIAL8) / sizeof(float) : 0);
    if (pMaterial == nullptr)
        return D3DERR_INVALIDCALL;
    state.material = *pMaterial;
    return D3D_OK;
}

HRESULT D3D8Device::GetMaterial(D3DMATERIAL8* pMaterial) {
    recorder.Add("GetMaterial", {Flag(pMaterial)});
    if (pMaterial == nullptr)
        return D3DERR_INVALIDCALL;
    *pMaterial = state.material;
    return D3D_OK;
}

HRESULT D3D8Device::SetLight(DWORD Index, const D3DLIGHT8* pLight) {
    if (pLight == nullptr) {
        recorder.Add("SetLight", {Index, 0});
        return D3DERR_INVALIDCALL;
    }
    std::vector<float> fields = LightFloats(*pLight);
    recorder.Add("SetLight", {Index, 1, pLight->Type}, fields.data(), fields.size());
    state.lights[Index] = *pLight;
    return D3D_OK;
}

HRESULT D3D8Device::GetLight(DWORD Index, D3DLIGHT8* pLight) {
    recorder.Add("GetLight", {Index, Flag(pLight)});
    auto found = state.lights.find(Index);
    if (pLight == nullptr || found == state.lights.end())
        return D3DERR_INVALIDCALL;
    *pLight = found->second;
    return D3D_OK;
}

HRESULT D3D8Device::LightEnable(DWORD Index, BOOL Enable) {
    recorder.Add("LightEnable", {Index, static_cast<uint32_t>(Enable)});
    if (state.lights.find(Index) == state.lights.end())
        state.lights[Index] = DefaultLight();
    state.lightEnabled[Index] = Enable != FALSE ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT D3D8Device::GetLightEnable(DWORD Index, BOOL* pEnable) {
    recorder.Add("GetLightEnable", {Index, Flag(pEnable)});
    if (pEnable == nullptr || state.lights.find(Index) == state.lights.end())
        return D3DERR_INVALIDCALL;
    auto found = state.lightEnabled.find(Index);
    *pEnable = found != state.lightEnabled.end() ? found->second : FALSE;
    return D3D_OK;
}

HRESULT D3D8Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    recorder.Add("SetRenderState", {State, Value});
    if (State >= state.renderStates.size())
        return D3DERR_INVALIDCALL;
    state.renderStates[State] = Value;
    return D3D_OK;
}

HRESULT D3D8Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    recorder.Add("GetRenderState", {State, Flag(pValue)});
    if (pValue == nullptr || State >= state.renderStates.size())
        return D3DERR_INVALIDCALL;
    *pValue = state.renderStates[State];
    return D3D_OK;
}

HRESULT D3D8Device::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    auto* texture = dynamic_cast<D3D8Texture*>(pTexture);
    recorder.Add("SetTexture", {Stage, texture != nullptr ? texture->resourceId : 0u});
    if (Stage >= textures.size() || (pTexture != nullptr && texture == nullptr))
        return D3DERR_INVALIDCALL;
    if (texture == textures[Stage])
        return D3D_OK;
    if (texture != nullptr)
        texture->Bind();
    if (textures[Stage] != nullptr)
        textures[Stage]->Unbind();
    textures[Stage] = texture;
    return D3D_OK;
}

HRESULT D3D8Device::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    recorder.Add("GetTexture", {Stage, Flag(ppTexture)});
    if (ppTexture == nullptr || Stage >= textures.size())
        return D3DERR_INVALIDCALL;
    *ppTexture = textures[Stage];
    if (textures[Stage] != nullptr)
        textures[Stage]->AddRef();
    return D3D_OK;
}

HRESULT D3D8Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    recorder.Add("SetTextureStageState", {Stage, Type, Value});
    if (Stage >= state.stageStates.size() || Type >= state.stageStates[0].size())
        return D3DERR_INVALIDCALL;
    state.stageStates[Stage][Type] = Value;
    return D3D_OK;
}

HRESULT D3D8Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                         DWORD* pValue) {
    recorder.Add("GetTextureStageState", {Stage, Type, Flag(pValue)});
    if (pValue == nullptr || Stage >= state.stageStates.size() ||
        Type >= state.stageStates[0].size())
        return D3DERR_INVALIDCALL;
    *pValue = state.stageStates[Stage][Type];
    return D3D_OK;
}

HRESULT D3D8Device::SetVertexShader(DWORD Handle) {
    recorder.Add("SetVertexShader", {Handle});
    state.vertexShader = Handle;
    return D3D_OK;
}

HRESULT D3D8Device::GetVertexShader(DWORD* pHandle) {
    recorder.Add("GetVertexShader", {Flag(pHandle)});
    if (pHandle == nullptr)
        return D3DERR_INVALIDCALL;
    *pHandle = state.vertexShader;
    return D3D_OK;
}

HRESULT D3D8Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                    UINT Stride) {
    auto* buffer = dynamic_cast<D3D8VertexBuffer*>(pStreamData);
    recorder.Add("SetStreamSource",
                 {StreamNumber, buffer != nullptr ? buffer->resourceId : 0u, Stride});
    // One stream: the fixed-function formats the engine draws all come from stream 0.
    if (StreamNumber != 0 || (pStreamData != nullptr && buffer == nullptr))
        return D3DERR_INVALIDCALL;
    // Meshes set their buffers again for every subset.
    if (buffer == streamSource && Stride == streamStride)
        return D3D_OK;
    if (buffer != nullptr)
        buffer->Bind();
    if (streamSource != nullptr)
        streamSource->Unbind();
    streamSource = buffer;
    streamStride = Stride;
    return D3D_OK;
}

HRESULT D3D8Device::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    auto* buffer = dynamic_cast<D3D8IndexBuffer*>(pIndexData);
    recorder.Add("SetIndices", {buffer != nullptr ? buffer->resourceId : 0u, BaseVertexIndex});
    if (pIndexData != nullptr && buffer == nullptr)
        return D3DERR_INVALIDCALL;
    if (buffer == indexSource && BaseVertexIndex == baseVertexIndex)
        return D3D_OK;
    if (buffer != nullptr)
        buffer->Bind();
    if (indexSource != nullptr)
        indexSource->Unbind();
    indexSource = buffer;
    baseVertexIndex = BaseVertexIndex;
    return D3D_OK;
}
