// A vertex or index buffer held in plain memory, for tests that hand buffers to the engine or
// to D3DX without a GL device. It counts its locks and references and records the arguments
// of every lock, so tests can check the lock, unlock and release protocol as well as the bytes;
// a lock can be made to fail. A buffer a mesh owns logs its calls into the mesh's call list
// and is never deleted by Release; one made by a device deletes itself at its last Release,
// as the platform's buffers do.
#pragma once

#include "d3d8/d3d8.h"

#include <cstddef>
#include <string>
#include <type_traits>
#include <vector>

template <typename Interface> class MemoryBuffer final : public Interface {
  public:
    using Desc = std::conditional_t<std::is_same_v<Interface, IDirect3DVertexBuffer8>,
                                    D3DVERTEXBUFFER_DESC, D3DINDEXBUFFER_DESC>;
    static constexpr D3DRESOURCETYPE TYPE = std::is_same_v<Interface, IDirect3DVertexBuffer8>
                                                ? D3DRTYPE_VERTEXBUFFER
                                                : D3DRTYPE_INDEXBUFFER;

    // A buffer owned by a mesh; calls are logged as "<call> <label>" into log when it is given.
    MemoryBuffer(size_t size, std::vector<std::string>* log, const char* label)
        : bytes(size, 0), callLog(log), name(label), owned(true) {
        desc.Type = TYPE;
        desc.Size = static_cast<UINT>(size);
    }
    // A buffer as CreateVertexBuffer and CreateIndexBuffer hand it out, with one reference.
    static MemoryBuffer* Create(const Desc& description) {
        auto* buffer = new MemoryBuffer(description.Size, nullptr, "");
        buffer->desc = description;
        buffer->owned = false;
        return buffer;
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override {
        Log("Release");
        const ULONG left = --references;
        if (left == 0 && !owned)
            delete this;
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8** device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    D3DRESOURCETYPE GetType() override { return TYPE; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
        Log("Lock", " " + std::to_string(offset) + " " + std::to_string(size) + " " +
                        std::to_string(flags));
        lockArguments.push_back({offset, size, flags});
        if (failLock) {
            *data = nullptr;
            return D3DERR_INVALIDCALL;
        }
        ++locks;
        *data = bytes.data();
        return D3D_OK;
    }
    HRESULT Unlock() override {
        Log("Unlock");
        --locks;
        return D3D_OK;
    }
    HRESULT GetDesc(Desc* pDesc) override {
        *pDesc = desc;
        return D3D_OK;
    }

    struct LockCall {
        UINT offset;
        UINT size;
        DWORD flags;
    };
    std::vector<BYTE> bytes;
    Desc desc{};
    std::vector<LockCall> lockArguments;
    int locks = 0; // locks not yet undone
    ULONG references = 1;
    bool failLock = false;

  private:
    void Log(const char* call, const std::string& arguments = "") {
        if (callLog != nullptr)
            callLog->push_back(std::string(call) + " " + name + arguments);
    }

    std::vector<std::string>* callLog;
    std::string name;
    bool owned;
};
