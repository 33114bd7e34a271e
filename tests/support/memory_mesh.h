// A mesh held in plain memory for tests that hand the engine a model without a device: vertex
// and index buffers of any layout that count their locks and references, and a log of the
// buffer calls the code under test made, so the tests can check the lock, unlock and release
// protocol as well as the geometry.
#pragma once

#include "d3dx/d3dx8.h"
#include "support/memory_buffer.h"

#include <string>
#include <vector>

class MemoryMesh final : public ID3DXMesh {
  public:
    // Zeroed vertices of the given layout and faces whose indices are all zero.
    MemoryMesh(DWORD vertexFormat, DWORD vertices, DWORD faces)
        : vertexBuffer(static_cast<size_t>(vertices) * D3DXGetFVFVertexSize(vertexFormat), &calls,
                       "vertices"),
          indexBuffer(static_cast<size_t>(faces) * 3 * sizeof(WORD), &calls, "indices"),
          reportedFaces(faces), fvf(vertexFormat), vertexCount(vertices), faceCount(faces) {}

    // Separate triangles: position-and-normal vertices, three of their own per face, face i
    // made of vertices 3i, 3i + 1, 3i + 2.
    explicit MemoryMesh(DWORD faces) : MemoryMesh(D3DFVF_XYZ | D3DFVF_NORMAL, faces * 3, faces) {
        WORD* indices = Indices();
        for (DWORD i = 0; i < faces * 3; ++i) {
            indices[i] = static_cast<WORD>(i);
        }
    }

    template <typename Vertex> Vertex* Vertices() {
        return reinterpret_cast<Vertex*>(vertexBuffer.bytes.data());
    }
    WORD* Indices() { return reinterpret_cast<WORD*>(indexBuffer.bytes.data()); }

    // Face i of a mesh of separate triangles gets the corners a, b, c in this order (its front
    // is where cross(b - a, c - a) points). Every layout starts with the position.
    void SetFace(DWORD face, D3DXVECTOR3 a, D3DXVECTOR3 b, D3DXVECTOR3 c) {
        const DWORD stride = D3DXGetFVFVertexSize(fvf);
        BYTE* first = vertexBuffer.bytes.data() + static_cast<size_t>(3 * face) * stride;
        *reinterpret_cast<D3DXVECTOR3*>(first) = a;
        *reinterpret_cast<D3DXVECTOR3*>(first + stride) = b;
        *reinterpret_cast<D3DXVECTOR3*>(first + 2 * stride) = c;
    }
    // Two faces making the quad a, b, c, d (corners in order around it).
    void SetQuad(DWORD face, D3DXVECTOR3 a, D3DXVECTOR3 b, D3DXVECTOR3 c, D3DXVECTOR3 d) {
        SetFace(face, a, b, c);
        SetFace(face + 1, a, c, d);
    }
    // True when every lock was undone and every buffer reference handed out came back.
    bool Balanced() const {
        return vertexBuffer.locks == 0 && indexBuffer.locks == 0 && vertexBuffer.references == 1 &&
               indexBuffer.references == 1;
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; } // owned by the test
    HRESULT DrawSubset(DWORD) override { return D3D_OK; }
    DWORD GetNumFaces() override { return reportedFaces; }
    DWORD GetNumVertices() override { return vertexCount; }
    DWORD GetFVF() override { return fvf; }
    DWORD GetOptions() override { return D3DXMESH_SYSTEMMEM; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* out) override {
        calls.push_back("GetVertexBuffer");
        vertexBuffer.AddRef();
        *out = &vertexBuffer;
        return D3D_OK;
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* out) override {
        calls.push_back("GetIndexBuffer");
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

    // Declared first: the buffers log into it from their first call.
    std::vector<std::string> calls;
    MemoryBuffer<IDirect3DVertexBuffer8> vertexBuffer;
    MemoryBuffer<IDirect3DIndexBuffer8> indexBuffer;
    // The face count the mesh claims; the buffers hold the count it was made with.
    DWORD reportedFaces;
    ULONG references = 1;

  private:
    DWORD fvf;
    DWORD vertexCount;
    DWORD faceCount;
    std::vector<DWORD> attributes;
};
