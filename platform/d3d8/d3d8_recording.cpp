// The recording of device calls, and the entry points of d3d8_platform.h that switch the
// layer's test and tool options.
#include "d3d8/d3d8_local.h"

#include <cstdio>
#include <cstring>

namespace {

D3D8Device* AsDevice(IDirect3DDevice8* device) {
    return dynamic_cast<D3D8Device*>(device);
}

// Small values read best in decimal; flags, colours and float bits in hexadecimal.
void AppendValue(std::string& text, uint32_t value) {
    char buffer[16];
    if (value < 0x10000)
        std::snprintf(buffer, sizeof buffer, "%u", value);
    else
        std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    text += buffer;
}

} // namespace

void D3D8Recorder::Add(const char* name, std::initializer_list<uint32_t> args, const float* extra,
                       size_t extraCount) {
    if (!active)
        return;
    D3D8Call call;
    call.name = name;
    call.args.assign(args.begin(), args.end());
    call.text = name;
    call.text += '(';
    bool first = true;
    for (uint32_t value : args) {
        if (!first)
            call.text += ", ";
        first = false;
        AppendValue(call.text, value);
    }
    if (extraCount > 0) {
        call.text += first ? "{" : ", {";
        for (size_t i = 0; i < extraCount; ++i) {
            uint32_t bits;
            std::memcpy(&bits, &extra[i], sizeof bits);
            call.args.push_back(bits);
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, i == 0 ? "%g" : ", %g",
                          static_cast<double>(extra[i]));
            call.text += buffer;
        }
        call.text += '}';
    }
    call.text += ')';
    calls.push_back(std::move(call));
}

void D3D8StartRecording(IDirect3DDevice8* device) {
    if (D3D8Device* d = AsDevice(device)) {
        d->recorder.calls.clear();
        d->recorder.active = true;
    }
}

std::vector<D3D8Call> D3D8StopRecording(IDirect3DDevice8* device) {
    std::vector<D3D8Call> calls;
    if (D3D8Device* d = AsDevice(device)) {
        d->recorder.active = false;
        calls.swap(d->recorder.calls);
    }
    return calls;
}

uint32_t D3D8ResourceId(IUnknown* resource) {
    const D3D8Tracked* tracked = dynamic_cast<const D3D8Tracked*>(resource);
    return tracked != nullptr ? tracked->resourceId : 0;
}

void D3D8SetPresentPacing(IDirect3DDevice8* device, bool enabled) {
    if (D3D8Device* d = AsDevice(device))
        d->pacing = enabled;
}

void D3D8SetPresentToWindow(IDirect3DDevice8* device, bool enabled) {
    if (D3D8Device* d = AsDevice(device))
        d->presentToWindow = enabled;
}

void D3D8SetStateFiltering(IDirect3DDevice8* device, bool enabled) {
    if (D3D8Device* d = AsDevice(device))
        d->stateFiltering = enabled;
}

uint64_t D3D8GlStateCallCount(IDirect3DDevice8* device) {
    D3D8Device* d = AsDevice(device);
    return d != nullptr ? d->glStateCalls : 0;
}

void D3D8SetCompressedUpload(IDirect3DDevice8* device, bool enabled) {
    if (D3D8Device* d = AsDevice(device))
        d->compressedUpload = enabled && d->s3tcAvailable;
}

void D3D8SetSpecialisedPrograms(IDirect3DDevice8* device, bool enabled) {
    if (D3D8Device* d = AsDevice(device))
        d->programs.specialised = enabled;
}

size_t D3D8SpecialisedProgramCount(IDirect3DDevice8* device) {
    D3D8Device* d = AsDevice(device);
    return d != nullptr ? d->programs.SpecialisedCount() : 0;
}

void D3D8SetTriangleCulling(IDirect3DDevice8* device, bool enabled) {
    if (D3D8Device* d = AsDevice(device))
        d->culling = enabled;
}

uint64_t D3D8CulledTriangleCount(IDirect3DDevice8* device) {
    D3D8Device* d = AsDevice(device);
    return d != nullptr ? d->culledTriangles : 0;
}

bool D3D8BufferWriteCount(IUnknown* buffer, uint64_t& count) {
    auto* tracked = dynamic_cast<D3D8Tracked*>(buffer);
    if (auto* vertices = dynamic_cast<D3D8VertexBuffer*>(tracked)) {
        count = vertices->store.writeLocks;
        return true;
    }
    if (auto* indices = dynamic_cast<D3D8IndexBuffer*>(tracked)) {
        count = indices->store.writeLocks;
        return true;
    }
    return false;
}
