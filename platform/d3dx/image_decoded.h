// Images as the image readers hand them to the texture loader: a Direct3D format and one or
// more levels of pixel rows in that format, top row first. Readers of photo formats (PNG,
// JPEG, BMP, TGA) produce A8R8G8B8 or X8R8G8B8; DDS keeps the file's own format where it is
// one Direct3D 8 knows.
#pragma once

#include "d3d8/d3d8types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ImageLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pitch = 0; // bytes from one row (of 4x4 blocks for DXT) to the next
    std::vector<uint8_t> bytes;
};

struct DecodedImage {
    const char* type = ""; // "DDS", "PNG", "JPEG", "BMP", "TGA"
    D3DFORMAT format = D3DFMT_UNKNOWN;
    std::vector<ImageLevel> levels; // level 0 first; DDS files may carry a mip chain
    std::string note;               // what the reader dropped, e.g. the other faces of a cube map
};

// Limits every reader checks before it allocates, so that no header can ask for more memory
// than a real texture needs. A side may be up to four times the device's largest texture
// (4096): the texture loader halves such an image until it fits. The pixel count may not
// pass that of the largest texture, whose 32-bit picture is the memory budget of a decode.
constexpr uint32_t MAX_IMAGE_SIZE = 16384;
constexpr uint64_t MAX_IMAGE_PIXELS = 4096ull * 4096ull;

// Whether a width x height image is within the limits above; false with a one-line reason
// that names the image type.
bool ImageSizeAllowed(const char* type, uint64_t width, uint64_t height, std::string& error);

// Reads any supported image, recognised by content. False with a one-line reason.
bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);

bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);
bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);
bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);
// TGA has no signature: whether the header is plausible (known type and depth, a size).
bool LooksLikeTga(const uint8_t* data, size_t size);
bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);

// A level of 32-bit pixels (0xAARRGGBB words, stored little-endian as B, G, R, A bytes).
ImageLevel MakeArgbLevel(uint32_t width, uint32_t height);
