// ID3DXBuffer: a reference-counted block of memory, aligned for any record type.
#include "d3dx/d3dx8.h"
#include "win32/ref_counted.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

class D3DXBuffer final : public RefCounted<ID3DXBuffer> {
  public:
    explicit D3DXBuffer(DWORD size)
        : bytes(new (std::nothrow) std::max_align_t[Slots(size)]()), length(size) {}

    bool Valid() const { return bytes != nullptr; }

    LPVOID GetBufferPointer() override { return length != 0 ? bytes.get() : nullptr; }
    DWORD GetBufferSize() override { return length; }

  private:
    static size_t Slots(DWORD size) {
        return (static_cast<size_t>(size) + sizeof(std::max_align_t) - 1) /
                   sizeof(std::max_align_t) +
               1;
    }

    std::unique_ptr<std::max_align_t[]> bytes;
    DWORD length;
};

} // namespace

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer) {
    if (ppBuffer == nullptr)
        return D3DERR_INVALIDCALL;
    *ppBuffer = nullptr;
    auto* buffer = new (std::nothrow) D3DXBuffer(NumBytes);
    if (buffer == nullptr || !buffer->Valid()) {
        delete buffer;
        return E_OUTOFMEMORY;
    }
    *ppBuffer = buffer;
    return D3D_OK;
}
