// A triangle mesh in plain memory for the player tests: position-and-normal vertices, three of
// their own per face, 16-bit indices, and a log of the buffer calls the code under test made,
// so the tests can check the lock, unlock and release protocol as well as the geometry.
#pragma once

#include "d3dx/d3dx8.h"
#include "core/vector_ops.h"
#include "world/mesh_model.h"

#include <string>
#include <type_traits>
#include <vector>

class MemoryMesh;

// A vertex or index buffer of a MemoryMesh; its calls go to the mesh's log.
template <typename Interface> class MemoryBuffer final : public Interface {
  public:
    MemoryBuffer(MemoryMesh& owner, const char* name) : mesh(owner), label(name) {}

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    using Desc = std::conditional_t<std::is_same_v<Interface, IDirect3DVertexBuffer8>,
                                    D3DVERTEXBUFFER_DESC, D3DINDEXBUFFER_DESC>;
    HRESULT GetDesc(Desc* desc) override {
        *desc = {};
        desc->Size = static_cast<UINT>(bytes.size());
        return D3D_OK;
    }

    std::vector<BYTE> bytes;
    int locks = 0;
    ULONG references = 1;
    bool failLock = false;

  private:
    MemoryMesh& mesh;
    std::string label;
};

class MemoryMesh final : public ID3DXMesh {
  public:
    explicit MemoryMesh(DWORD faces)
        : vertexBuffer(*this, "vertices"), indexBuffer(*this, "indices"), reportedFaces(faces),
          faceCount(faces) {
        vertexBuffer.bytes.assign(static_cast<size_t>(faces) * 3 * sizeof(HullVertex), 0);
        indexBuffer.bytes.assign(static_cast<size_t>(faces) * 3 * sizeof(WORD), 0);
        WORD* indices = reinterpret_cast<WORD*>(indexBuffer.bytes.data());
        for (DWORD i = 0; i < faces * 3; ++i) {
            indices[i] = static_cast<WORD>(i);
        }
    }

    // Face i gets the corners a, b, c in this order (its front is where cross(b - a, c - a)
    // points).
    void SetFace(DWORD face, Vec3 a, Vec3 b, Vec3 c) {
        HullVertex* vertices = reinterpret_cast<HullVertex*>(vertexBuffer.bytes.data());
        vertices[3 * face].position = a;
        vertices[3 * face + 1].position = b;
        vertices[3 * face + 2].position = c;
    }
    // Two faces making the quad a, b, c, d (corners in order around it).
    void SetQuad(DWORD face, Vec3 a, Vec3 b, Vec3 c, Vec3 d) {
        SetFace(face, a, b, c);
        SetFace(face + 1, a, c, d);
    }
    // True when every lock was undone and every buffer reference handed out came back.
    bool Balanced() const {
        return vertexBuffer.locks == 0 && indexBuffer.locks == 0 && vertexBuffer.references == 1 &&
               indexBuffer.references == 1;
    }
    void Log(const std::string& call) { calls.push_back(call); }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT DrawSubset(DWORD) override { return D3D_OK; }
    DWORD GetNumFaces() override { return reportedFaces; }
    DWORD GetNumVertices() override { return faceCount * 3; }
    DWORD GetFVF() override { return HULL_VERTEX_FVF; }
    DWORD GetOptions() override { return D3DXMESH_SYSTEMMEM; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* out) override {
        Log("GetVertexBuffer");
        vertexBuffer.AddRef();
        *out = &vertexBuffer;
        return D3D_OK;
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* out) override {
        Log("GetIndexBuffer");
        indexBuffer.AddRef();
        *out = &indexBuffer;
        return D3D_OK;
    }
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override {
        return vertexBuffer.Lock(0, 0, data, flags);
    }
    HRESULT UnlockVertexBuffer() override { return vertexBuffer.Unlock(); }
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override {
        return indexBuffer.Lock(0, 0, data, flags);
    }
    HRESULT UnlockIndexBuffer() override { return indexBuffer.Unlock(); }
    HRESULT LockAttributeBuffer(DWORD, DWORD** data) override {
        attributes.assign(faceCount, 0);
        *data = attributes.data();
        return D3D_OK;
    }
    HRESULT UnlockAttributeBuffer() override { return D3D_OK; }

    MemoryBuffer<IDirect3DVertexBuffer8> vertexBuffer;
    MemoryBuffer<IDirect3DIndexBuffer8> indexBuffer;
    std::vector<std::string> calls;
    // The face count the mesh claims; the buffers hold the count it was made with.
    DWORD reportedFaces;

  private:
    DWORD faceCount;
    std::vector<DWORD> attributes;
    ULONG references = 1;
};

template <typename Interface> ULONG MemoryBuffer<Interface>::Release() {
    mesh.Log("Release " + label);
    return --references; // owned by the mesh
}

template <typename Interface>
HRESULT MemoryBuffer<Interface>::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    mesh.Log("Lock " + label + " " + std::to_string(offset) + " " + std::to_string(size) + " " +
             std::to_string(flags));
    if (failLock) {
        *data = nullptr;
        return D3DERR_INVALIDCALL;
    }
    ++locks;
    *data = bytes.data();
    return D3D_OK;
}

template <typename Interface> HRESULT MemoryBuffer<Interface>::Unlock() {
    mesh.Log("Unlock " + label);
    --locks;
    return D3D_OK;
}
