// RGBA images drawn by the builder and their files: PNG through libpng, and DDS with a full
// mip chain (32-bit or DXT blocks).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace levelbuild {

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba; // row-major, top row first, 4 bytes per pixel

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
    uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* At(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    // Sets a pixel from components in 0..1, clamped.
    void Set(int x, int y, float r, float g, float b, float a = 1.0f);
};

// Writes an image as an 8-bit RGBA PNG; false on failure.
bool WritePng(const std::string& path, const Image& image);

// Halves an image with a 2x2 box filter (sizes of 1 stay 1).
Image HalveImage(const Image& image);

// Writes a DDS file in A8R8G8B8 with every mip level down to 1x1; false on failure.
bool WriteDds(const std::string& path, const Image& image);

enum class DdsFormat { A8R8G8B8, X8R8G8B8, DXT1, DXT5 };

// An image's pixels as a 32-bit DDS level stores them: B, G, R, A bytes.
std::vector<uint8_t> DdsArgbBytes(const Image& image);

// Writes a DDS file of a width x height top level and the levels below it, each already in
// the file's layout (rows of texels or of 4x4 blocks); false on failure.
bool WriteDdsLevels(const std::string& path, DdsFormat format, int width, int height,
                    const std::vector<std::vector<uint8_t>>& levels);

} // namespace levelbuild
