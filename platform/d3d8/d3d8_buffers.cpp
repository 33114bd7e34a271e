// Vertex and index buffers: system memory that Lock hands out, copied to an OpenGL buffer on
// the first draw after Unlock, so locks need no context and meshes kept in system memory draw.
// A buffer rewritten every frame (moving doors, the water) sends only the ranges that changed.
#include "d3d8/d3d8_local.h"

#include <algorithm>
#include <cstring>
#include <new>

HRESULT D3D8BufferStore::Lock(UINT offset, UINT size, BYTE** ppbData, DWORD flags) {
    if (ppbData == nullptr)
        return D3DERR_INVALIDCALL;
    *ppbData = nullptr;
    if (offset > bytes.size() || (size != 0 && size > bytes.size() - offset))
        return D3DERR_INVALIDCALL;
    *ppbData = bytes.data() + offset;
    ++lockCount;
    // A read-only lock leaves the OpenGL copy as it is.
    if ((flags & D3DLOCK_READONLY) == 0) {
        dirty = true;
        ++writeLocks;
    }
    return D3D_OK;
}

HRESULT D3D8BufferStore::Unlock() {
    if (lockCount == 0)
        return D3DERR_INVALIDCALL;
    --lockCount;
    return D3D_OK;
}

GLuint D3D8BufferStore::Prepare(GLenum target, GLuint& bound) {
    if (glBuffer == 0) {
        glGenBuffers(1, &glBuffer);
        dirty = true;
        uploaded.clear();
    }
    if (!dirty)
        return glBuffer;
    if (bound != glBuffer) {
        glBindBuffer(target, glBuffer);
        bound = glBuffer;
    }
    dirty = false;
    changed.clear();
    if (uploaded.size() != bytes.size()) {
        // The first upload of the bytes; a buffer written again after it keeps a copy of
        // what OpenGL holds, so that later uploads send only what changed.
        const bool rewritten = glBufferSize == bytes.size();
        glBufferData(target, static_cast<GLsizeiptr>(bytes.size()), bytes.data(), GL_STATIC_DRAW);
        glBufferSize = bytes.size();
        if (rewritten)
            uploaded = bytes;
        changed.push_back({0, bytes.size()});
        ++generation;
        return glBuffer;
    }
    // Locks hand out the whole buffer; comparing with the copy finds the ranges written.
    const size_t size = bytes.size();
    size_t at = 0;
    while (at < size) {
        const size_t block = std::min(COMPARE_BLOCK, size - at);
        if (std::memcmp(bytes.data() + at, uploaded.data() + at, block) == 0) {
            at += block;
            continue;
        }
        size_t end = at + block;
        while (end < size) {
            const size_t next = std::min(COMPARE_BLOCK, size - end);
            if (std::memcmp(bytes.data() + end, uploaded.data() + end, next) == 0)
                break;
            end += next;
        }
        glBufferSubData(target, static_cast<GLintptr>(at), static_cast<GLsizeiptr>(end - at),
                        bytes.data() + at);
        std::memcpy(uploaded.data() + at, bytes.data() + at, end - at);
        ++rangeUploads;
        changed.push_back({at, end});
        at = end;
    }
    if (!changed.empty())
        ++generation;
    return glBuffer;
}

void D3D8BufferStore::Free() {
    if (glBuffer != 0)
        glDeleteBuffers(1, &glBuffer);
    glBuffer = 0;
    glBufferSize = 0;
    uploaded.clear();
    uploaded.shrink_to_fit();
}

D3D8VertexBuffer::D3D8VertexBuffer(D3D8Device* owner, DWORD usageFlags, DWORD fvfCode,
                                   D3DPOOL poolType)
    : D3D8Resource(owner), usage(usageFlags), fvf(fvfCode), pool(poolType) {}

bool D3D8VertexBuffer::Allocate(UINT length) {
    try {
        store.bytes.assign(length, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

D3D8VertexBuffer::~D3D8VertexBuffer() {
    if (store.glBuffer != 0) {
        device->MakeCurrent();
        device->ForgetGlBuffer(store.glBuffer);
        store.Free();
    }
}

HRESULT D3D8VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
    device->recorder.Add("Lock", {resourceId, OffsetToLock, SizeToLock, Flags});
    return store.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT D3D8VertexBuffer::Unlock() {
    device->recorder.Add("Unlock", {resourceId});
    return store.Unlock();
}

HRESULT D3D8VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (pDesc == nullptr)
        return D3DERR_INVALIDCALL;
    *pDesc = {D3DFMT_VERTEXDATA,
              D3DRTYPE_VERTEXBUFFER,
              usage,
              pool,
              static_cast<UINT>(store.bytes.size()),
              fvf};
    return D3D_OK;
}

D3D8IndexBuffer::D3D8IndexBuffer(D3D8Device* owner, DWORD usageFlags, D3DFORMAT indexFormat,
                                 D3DPOOL poolType)
    : D3D8Resource(owner), usage(usageFlags), format(indexFormat), pool(poolType) {}

bool D3D8IndexBuffer::Allocate(UINT length) {
    try {
        store.bytes.assign(length, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

D3D8IndexBuffer::~D3D8IndexBuffer() {
    if (store.glBuffer != 0) {
        device->MakeCurrent();
        device->ForgetGlBuffer(store.glBuffer);
        store.Free();
    }
}

HRESULT D3D8IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
    device->recorder.Add("Lock", {resourceId, OffsetToLock, SizeToLock, Flags});
    if ((Flags & D3DLOCK_READONLY) == 0)
        maxIndexStale = true;
    return store.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT D3D8IndexBuffer::Unlock() {
    device->recorder.Add("Unlock", {resourceId});
    return store.Unlock();
}

HRESULT D3D8IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    if (pDesc == nullptr)
        return D3DERR_INVALIDCALL;
    *pDesc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, static_cast<UINT>(store.bytes.size())};
    return D3D_OK;
}

uint32_t D3D8IndexBuffer::MaxIndex(UINT start, UINT count) const {
    uint32_t largest = 0;
    const BYTE* at = store.bytes.data() + static_cast<size_t>(start) * IndexSize();
    for (UINT i = 0; i < count; ++i, at += IndexSize()) {
        uint32_t index = at[0] | (at[1] << 8);
        if (IndexSize() == 4)
            index |= (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
        largest = std::max(largest, index);
    }
    return largest;
}

uint32_t D3D8IndexBuffer::MaxIndex() {
    if (maxIndexStale) {
        maxIndex = MaxIndex(0, static_cast<UINT>(store.bytes.size() / IndexSize()));
        maxIndexStale = false;
    }
    return maxIndex;
}
