// Back-buffer read-back for tests and tools, and saving it as a PNG file.
#include "d3d8/d3d8_local.h"

#include <png.h>

#include <cstdio>

bool D3D8ReadBackBuffer(IDirect3DDevice8* device, std::vector<uint32_t>& argbPixels, UINT& width,
                        UINT& height) {
    auto* d = dynamic_cast<D3D8Device*>(device);
    return d != nullptr && d->ReadBack(argbPixels, width, height);
}

bool D3D8SaveBackBufferPng(IDirect3DDevice8* device, const char* path) {
    std::vector<uint32_t> pixels;
    UINT width = 0, height = 0;
    if (path == nullptr || !D3D8ReadBackBuffer(device, pixels, width, height))
        return false;
    std::vector<png_byte> rgba(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        rgba[i * 4 + 0] = static_cast<png_byte>(pixels[i] >> 16);
        rgba[i * 4 + 1] = static_cast<png_byte>(pixels[i] >> 8);
        rgba[i * 4 + 2] = static_cast<png_byte>(pixels[i]);
        rgba[i * 4 + 3] = static_cast<png_byte>(pixels[i] >> 24);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path, 0, rgba.data(), 0, nullptr) != 0;
}
