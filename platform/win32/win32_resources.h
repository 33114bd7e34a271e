// Named data compiled into the executable, found by FindResourceA.
// The table is generated at build time by tools/embed from the files the builders make.
#pragma once

#include <cstdint>

struct EmbeddedResource {
    const char* name; // resource name, or the decimal id of an integer resource ("101")
    const char* type; // resource type, such as "WAVE" or "ICON"
    const unsigned char* data;
    uint32_t size;
};

// Terminated by an entry whose name is null. Defined by the generated embedded_resources.cpp.
extern const EmbeddedResource kEmbeddedResources[];

// Adds a resource at run time, searched before the compiled-in table. Tests use it to offer
// crafted images under their own names. The data must outlive every lookup.
void Win32AddResource(const char* name, const char* type, const void* data, uint32_t size);

// Removes every resource added with Win32AddResource.
void Win32ClearAddedResources();
