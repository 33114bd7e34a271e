// Reference counting shared by every interface the platform layer hands out (Direct3D, D3DX,
// DirectSound): AddRef, Release and a QueryInterface that knows no other interfaces, since the
// engine never asks for one. The count is atomic because the sound mixer's thread may hold a
// reference while the game thread lets go of its own.
#pragma once

#include "win32/windows.h"

#include <atomic>

template <class Interface> class RefCounted : public Interface {
  public:
    // A null out-pointer is E_POINTER, as for every COM object; anything else is unknown.
    HRESULT QueryInterface(REFIID, void** ppvObj) override {
        if (ppvObj == nullptr)
            return E_POINTER;
        *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override {
        const ULONG count = ++references;
        if (count == 1)
            Revived();
        return count;
    }
    // Releasing an object whose count is already zero changes nothing and returns 0, so an
    // extra Release by a caller cannot free the object twice.
    ULONG Release() override {
        ULONG current = references.load();
        do {
            if (current == 0)
                return 0;
        } while (!references.compare_exchange_weak(current, current - 1));
        if (current == 1)
            LastReleased();
        return current - 1;
    }

  protected:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG References() const { return references.load(); }

    // The last reference went: by default the object deletes itself.
    virtual void LastReleased() { delete this; }
    // A reference was taken on an object whose count had reached zero, which only an object
    // that outlives its last reference (a resource still bound to its device) allows.
    virtual void Revived() {}

  private:
    std::atomic<ULONG> references{1};
};
