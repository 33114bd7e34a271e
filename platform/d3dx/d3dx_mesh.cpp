// ID3DXMesh: a vertex buffer, an index buffer and one attribute per face. The buffers are
// made by the device in the pool the mesh options ask for; the engine asks for system
// memory so it can lock and rewrite vertices every frame. DrawSubset draws the runs of
// faces that carry one attribute, in face order.
#include "d3d8/d3d8_platform.h"
#include "d3dx/d3dx8.h"
#include "win32/ref_counted.h"

#include "d3dx/d3dx_intersect_cache.h"
#include "d3dx/d3dx_local.h"

#include <array>
#include <new>
#include <vector>

namespace {

class D3DXMeshImpl final : public RefCounted<ID3DXMesh> {
  public:
    D3DXMeshImpl(IDirect3DDevice8* pDevice, DWORD faces, DWORD vertices, DWORD options, DWORD fvf)
        : device(pDevice), numFaces(faces), numVertices(vertices), meshOptions(options),
          vertexFormat(fvf), stride(D3DXGetFVFVertexSize(fvf)), attributes(faces, 0) {
        device->AddRef();
    }

    HRESULT Create() {
        const D3DPOOL vbPool =
            PoolFor(meshOptions & D3DXMESH_VB_SYSTEMMEM, meshOptions & D3DXMESH_VB_MANAGED);
        const D3DPOOL ibPool =
            PoolFor(meshOptions & D3DXMESH_IB_SYSTEMMEM, meshOptions & D3DXMESH_IB_MANAGED);
        const DWORD vbUsage = ((meshOptions & D3DXMESH_VB_WRITEONLY) ? D3DUSAGE_WRITEONLY : 0) |
                              ((meshOptions & D3DXMESH_VB_DYNAMIC) ? D3DUSAGE_DYNAMIC : 0);
        const DWORD ibUsage = ((meshOptions & D3DXMESH_IB_WRITEONLY) ? D3DUSAGE_WRITEONLY : 0) |
                              ((meshOptions & D3DXMESH_IB_DYNAMIC) ? D3DUSAGE_DYNAMIC : 0);
        const bool wide = (meshOptions & D3DXMESH_32BIT) != 0;
        HRESULT hr = device->CreateVertexBuffer(numVertices * stride, vbUsage, vertexFormat, vbPool,
                                                &vertexBuffer);
        if (FAILED(hr))
            return hr;
        return device->CreateIndexBuffer(numFaces * 3 * (wide ? 4 : 2), ibUsage,
                                         wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, ibPool,
                                         &indexBuffer);
    }

    HRESULT DrawSubset(DWORD AttribId) override {
        if (rangesDirty)
            BuildRanges();
        device->SetVertexShader(vertexFormat);
        device->SetStreamSource(0, vertexBuffer, stride);
        device->SetIndices(indexBuffer, 0);
        for (const Range& range : ranges) {
            if (range.attribute == AttribId)
                device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, numVertices, range.start * 3,
                                             range.count);
        }
        return D3D_OK;
    }
    DWORD GetNumFaces() override { return numFaces; }
    DWORD GetNumVertices() override { return numVertices; }
    DWORD GetFVF() override { return vertexFormat; }
    DWORD GetOptions() override { return meshOptions; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) override {
        if (ppDevice == nullptr)
            return D3DERR_INVALIDCALL;
        device->AddRef();
        *ppDevice = device;
        return D3D_OK;
    }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* ppVB) override {
        if (ppVB == nullptr)
            return D3DERR_INVALIDCALL;
        vertexBuffer->AddRef();
        *ppVB = vertexBuffer;
        geometryMayChange = true;
        return D3D_OK;
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ppIB) override {
        if (ppIB == nullptr)
            return D3DERR_INVALIDCALL;
        indexBuffer->AddRef();
        *ppIB = indexBuffer;
        geometryMayChange = true;
        return D3D_OK;
    }
    HRESULT LockVertexBuffer(DWORD Flags, BYTE** ppData) override {
        if (!(Flags & D3DLOCK_READONLY))
            geometryMayChange = true;
        return vertexBuffer->Lock(0, 0, ppData, Flags);
    }
    HRESULT UnlockVertexBuffer() override { return vertexBuffer->Unlock(); }
    HRESULT LockIndexBuffer(DWORD Flags, BYTE** ppData) override {
        if (!(Flags & D3DLOCK_READONLY))
            geometryMayChange = true;
        return indexBuffer->Lock(0, 0, ppData, Flags);
    }
    HRESULT UnlockIndexBuffer() override { return indexBuffer->Unlock(); }
    HRESULT LockAttributeBuffer(DWORD, DWORD** ppData) override {
        if (ppData == nullptr)
            return D3DERR_INVALIDCALL;
        *ppData = attributes.data();
        return D3D_OK;
    }
    HRESULT UnlockAttributeBuffer() override {
        rangesDirty = true;
        return D3D_OK;
    }

    // Whether the buffers may hold other positions or indices than the ray-cast hierarchy
    // last saw. Writing needs a pointer to a buffer: one from this mesh's Lock or Get
    // methods, which set the flag, or one held from earlier, which shows as a reference
    // beyond the mesh's own. Only with neither can the comparison be skipped.
    bool GeometryMayHaveChanged() {
        // The device's own buffers count the locks that may have written, however the
        // buffer was reached: the count alone decides.
        std::array<uint64_t, 2> writes{};
        if (D3D8BufferWriteCount(vertexBuffer, writes[0]) &&
            D3D8BufferWriteCount(indexBuffer, writes[1])) {
            const bool changed = !writesSeen || writes != seenWrites;
            seenWrites = writes;
            writesSeen = true;
            return changed;
        }
        const bool shared = Shared(vertexBuffer) || Shared(indexBuffer);
        const bool changed = geometryMayChange || shared;
        // While others hold a buffer they may write after this check, so it stays set.
        geometryMayChange = shared;
        return changed;
    }

    D3DXIntersectCache intersectCache;

  private:
    struct Range {
        DWORD attribute;
        UINT start;
        UINT count;
    };

    ~D3DXMeshImpl() override {
        if (indexBuffer != nullptr)
            indexBuffer->Release();
        if (vertexBuffer != nullptr)
            vertexBuffer->Release();
        device->Release();
    }

    static bool Shared(IUnknown* buffer) {
        const ULONG count = buffer->AddRef();
        buffer->Release();
        return count > 2;
    }

    static D3DPOOL PoolFor(bool systemMemory, bool managed) {
        if (systemMemory)
            return D3DPOOL_SYSTEMMEM;
        return managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT;
    }

    // Runs of consecutive faces with one attribute; a subset may have several runs.
    void BuildRanges() {
        ranges.clear();
        for (UINT f = 0; f < numFaces; ++f) {
            if (!ranges.empty() && ranges.back().attribute == attributes[f] &&
                ranges.back().start + ranges.back().count == f)
                ++ranges.back().count;
            else
                ranges.push_back({attributes[f], f, 1});
        }
        rangesDirty = false;
    }

    IDirect3DDevice8* device;
    DWORD numFaces;
    DWORD numVertices;
    DWORD meshOptions;
    DWORD vertexFormat;
    UINT stride;
    std::vector<DWORD> attributes;
    std::vector<Range> ranges;
    bool rangesDirty = true;
    bool geometryMayChange = true;
    std::array<uint64_t, 2> seenWrites{};
    bool writesSeen = false;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
};

} // namespace

D3DXIntersectCache* D3DXFindIntersectCache(ID3DXBaseMesh* mesh, bool& mayHaveChanged) {
    auto* own = dynamic_cast<D3DXMeshImpl*>(mesh);
    if (own == nullptr)
        return nullptr;
    mayHaveChanged = own->GeometryMayHaveChanged();
    return &own->intersectCache;
}

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          LPDIRECT3DDEVICE8 pDevice, LPD3DXMESH* ppMesh) {
    if (ppMesh == nullptr)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (pDevice == nullptr || NumFaces == 0 || NumVertices == 0 ||
        (FVF & D3DFVF_POSITION_MASK) == 0)
        return D3DERR_INVALIDCALL;
    // 16-bit indices reach 65535 vertices; the face count bounds the index buffer size.
    if (!(Options & D3DXMESH_32BIT) && NumVertices > 0xFFFF)
        return D3DERR_INVALIDCALL;
    if (NumFaces > 0x3FFFFFFF / 4 || NumVertices > 0x7FFFFFFF / D3DXGetFVFVertexSize(FVF))
        return D3DERR_INVALIDCALL;
    auto* mesh = new (std::nothrow) D3DXMeshImpl(pDevice, NumFaces, NumVertices, Options, FVF);
    if (mesh == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = mesh->Create();
    if (FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *ppMesh = mesh;
    return D3D_OK;
}
