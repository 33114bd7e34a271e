// What tests and tools need from the Direct3D 8 layer beyond the platform interfaces: reading
// back the back buffer, switching off frame pacing and presentation for headless runs, the
// recording of device calls, and switches for checking the layer's own state cache.
// Engine code never includes this header.
#pragma once

#include "d3d8/d3d8.h"

#include <cstdint>
#include <string>
#include <vector>

// Copies the back buffer: top row first, one 0xAARRGGBB value per pixel. False for a device
// that is not one of this layer's.
bool D3D8ReadBackBuffer(IDirect3DDevice8* device, std::vector<uint32_t>& argbPixels, UINT& width,
                        UINT& height);

// Writes the back buffer as an 8-bit RGBA PNG file.
bool D3D8SaveBackBufferPng(IDirect3DDevice8* device, const char* path);

// Present paces to 60 Hz where the swap does not wait for the retrace; tools turn that off.
void D3D8SetPresentPacing(IDirect3DDevice8* device, bool enabled);

// With presentation off, Present neither copies the back buffer to the window nor swaps;
// headless tools that only read back the back buffer save the time.
void D3D8SetPresentToWindow(IDirect3DDevice8* device, bool enabled);

// One recorded call. name is the method name ("SetRenderState", "DrawPrimitive", and for
// resources made by the device "Lock", "Unlock", "LockRect", "UnlockRect"). args: integers
// as given, floats as their bit patterns, resource pointers as the resource's id (1, 2, ...
// in creation order on its device, 0 for null), other pointers as 0 (null) or 1, followed by
// the contents of a passed matrix, viewport, material or light. Lock and Unlock carry the
// resource's id first. text is a readable form such as "SetRenderState(7, 1)".
// IUnknown methods (AddRef, Release, QueryInterface) are not recorded.
struct D3D8Call {
    std::string name;
    std::vector<uint32_t> args;
    std::string text;
};

// Starts a fresh recording of the device's calls.
void D3D8StartRecording(IDirect3DDevice8* device);

// Stops recording and returns the calls made since D3D8StartRecording, in order.
std::vector<D3D8Call> D3D8StopRecording(IDirect3DDevice8* device);

// The id the recording gives a resource made by this layer (0 for null or a foreign object).
uint32_t D3D8ResourceId(IUnknown* resource);

// The layer skips OpenGL state changes that would set what is already set. Off, every draw
// sets all of its OpenGL state again; a debugging aid for the cache.
void D3D8SetStateFiltering(IDirect3DDevice8* device, bool enabled);

// How many OpenGL state-setting calls the device has issued for draws and clears so far.
uint64_t D3D8GlStateCallCount(IDirect3DDevice8* device);

// Without the compressed-texture extension, or on a software rasteriser, DXT textures are
// decompressed on upload; tests choose either path with this switch (it applies to textures
// uploaded afterwards, and compressed upload only where the extension is there).
void D3D8SetCompressedUpload(IDirect3DDevice8* device, bool enabled);

// Draws use a program specialised for the fixed-function state at hand, built the first time
// that state is drawn. Off, every draw uses the one general program that branches on the state
// as it runs: slower, and the reference the specialised programs must match pixel for pixel.
void D3D8SetSpecialisedPrograms(IDirect3DDevice8* device, bool enabled);

// How many specialised programs the device has built so far.
size_t D3D8SpecialisedProgramCount(IDirect3DDevice8* device);

// Large indexed triangle lists are sent without the chunks that lie wholly outside the view
// volume (the picture is the same). Off, every draw is sent whole; tests compare the two.
void D3D8SetTriangleCulling(IDirect3DDevice8* device, bool enabled);

// How many triangles the device has left out of draws that way so far.
uint64_t D3D8CulledTriangleCount(IDirect3DDevice8* device);

// How many locks of a vertex or index buffer of this layer could have written to it (all but
// read-only ones). False for a buffer that is not one of this layer's.
bool D3D8BufferWriteCount(IUnknown* buffer, uint64_t& count);
