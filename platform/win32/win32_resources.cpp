// FindResourceA, LoadResource, LockResource and SizeofResource over the table of data
// compiled into the executable. A resource handle is the address of its table entry; the
// locked data is read-only and lives as long as the process.
#include "win32/win32_resources.h"
#include "win32/windows.h"

#include <cstdio>
#include <deque>
#include <string>
#include <strings.h>

namespace {

struct AddedResource {
    std::string name;
    std::string type;
    EmbeddedResource entry;
};

std::deque<AddedResource>& AddedResources() {
    static std::deque<AddedResource> resources;
    return resources;
}

// Integer resource ids are stored as their decimal text; names compare without case, as the
// platform's do.
std::string ResourceKey(LPCSTR name) {
    if (IS_INTRESOURCE(name)) {
        return std::to_string(reinterpret_cast<uintptr_t>(name));
    }
    return name;
}

bool Matches(const EmbeddedResource& entry, const std::string& name, const std::string& type) {
    return strcasecmp(entry.name, name.c_str()) == 0 && strcasecmp(entry.type, type.c_str()) == 0;
}

} // namespace

void Win32AddResource(const char* name, const char* type, const void* data, uint32_t size) {
    AddedResource& added = AddedResources().emplace_back();
    added.name = name;
    added.type = type;
    added.entry = {added.name.c_str(), added.type.c_str(), static_cast<const unsigned char*>(data),
                   size};
}

void Win32ClearAddedResources() {
    AddedResources().clear();
}

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    // Only the executable itself holds resources.
    if (hModule != nullptr && hModule != GetModuleHandleA(nullptr)) {
        return nullptr;
    }
    if (lpName == nullptr || lpType == nullptr) {
        return nullptr;
    }
    const std::string name = ResourceKey(lpName);
    const std::string type = ResourceKey(lpType);
    for (const AddedResource& added : AddedResources()) {
        if (Matches(added.entry, name, type)) {
            return reinterpret_cast<HRSRC>(const_cast<EmbeddedResource*>(&added.entry));
        }
    }
    for (const EmbeddedResource* entry = kEmbeddedResources; entry->name != nullptr; ++entry) {
        if (Matches(*entry, name, type)) {
            return reinterpret_cast<HRSRC>(const_cast<EmbeddedResource*>(entry));
        }
    }
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo) {
    return reinterpret_cast<HGLOBAL>(hResInfo);
}

LPVOID LockResource(HGLOBAL hResData) {
    if (hResData == nullptr) {
        return nullptr;
    }
    const auto* entry = reinterpret_cast<const EmbeddedResource*>(hResData);
    return const_cast<unsigned char*>(entry->data);
}

DWORD SizeofResource(HMODULE, HRSRC hResInfo) {
    if (hResInfo == nullptr) {
        return 0;
    }
    return reinterpret_cast<const EmbeddedResource*>(hResInfo)->size;
}
