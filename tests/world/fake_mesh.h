// A mesh held in plain memory for the world tests: vertex and index buffers that count their
// locks and references, so tests can drive the engine's buffer rewrites without a device and
// check that every lock is undone and every reference given back.
#pragma once

#include "d3dx/d3dx8.h"

#include <cstring>
#include <vector>

template <typename Interface> class FakeBuffer : public Interface {
  public:
    explicit FakeBuffer(size_t bytes) : data(bytes, 0) {}

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; } // owned by the FakeMesh
    HRESULT GetDevice(IDirect3DDevice8** device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** out, DWORD flags) override {
        lockArguments.push_back({offset, size, flags});
        ++locks;
        *out = data.data();
        return D3D_OK;
    }
    HRESULT Unlock() override {
        --locks;
        return D3D_OK;
    }

    struct LockCall {
        UINT offset;
        UINT size;
        DWORD flags;
    };
    std::vector<BYTE> data;
    std::vector<LockCall> lockArguments;
    int locks = 0;
    ULONG references = 1;
};

class FakeVertexBuffer : public FakeBuffer<IDirect3DVertexBuffer8> {
  public:
    using FakeBuffer::FakeBuffer;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC*) override { return E_NOTIMPL; }
};

class FakeIndexBuffer : public FakeBuffer<IDirect3DIndexBuffer8> {
  public:
    using FakeBuffer::FakeBuffer;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC*) override { return E_NOTIMPL; }
};

class FakeMesh : public ID3DXMesh {
  public:
    FakeMesh(DWORD vertexFormat, DWORD vertices, DWORD faces)
        : fvf(vertexFormat), vertexCount(vertices), faceCount(faces),
          vertexBuffer(static_cast<size_t>(vertices) * D3DXGetFVFVertexSize(vertexFormat)),
          indexBuffer(static_cast<size_t>(faces) * 3 * sizeof(WORD)) {}

    template <typename Vertex> Vertex* Vertices() {
        return reinterpret_cast<Vertex*>(vertexBuffer.data.data());
    }
    WORD* Indices() { return reinterpret_cast<WORD*>(indexBuffer.data.data()); }
    // True when no lock is left open and every buffer reference handed out came back.
    bool Balanced() const {
        return vertexBuffer.locks == 0 && indexBuffer.locks == 0 && vertexBuffer.references == 1 &&
               indexBuffer.references == 1;
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; } // owned by the test
    HRESULT DrawSubset(DWORD) override { return D3D_OK; }
    DWORD GetNumFaces() override { return faceCount; }
    DWORD GetNumVertices() override { return vertexCount; }
    DWORD GetFVF() override { return fvf; }
    DWORD GetOptions() override { return D3DXMESH_SYSTEMMEM; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* out) override {
        vertexBuffer.AddRef();
        *out = &vertexBuffer;
        return D3D_OK;
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* out) override {
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
    HRESULT LockAttributeBuffer(DWORD, DWORD**) override { return E_NOTIMPL; }
    HRESULT UnlockAttributeBuffer() override { return E_NOTIMPL; }

    DWORD fvf;
    DWORD vertexCount;
    DWORD faceCount;
    FakeVertexBuffer vertexBuffer;
    FakeIndexBuffer indexBuffer;
    ULONG references = 1;
};
