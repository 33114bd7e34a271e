// Recognises an image by its first bytes and hands it to the matching reader. TGA has no
// signature and is tried last, by the plausibility of its header.
#include "d3dx/image_decoded.h"

#include <cstring>

bool ImageSizeAllowed(const char* type, uint64_t width, uint64_t height, std::string& error) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width == 0 || height == 0) {
        error = std::string(type) + " image has no pixels";
        return false;
    }
    if (width > MAX_IMAGE_SIZE || height > MAX_IMAGE_SIZE || width * height > MAX_IMAGE_PIXELS) {
        error = std::string(type) + " image too large (" + size + ")";
        return false;
    }
    return true;
}

bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    if (size == 0) {
        error = "empty file";
        return false;
    }
    static const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0)
        return DecodeDds(data, size, image, error);
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return DecodeBmp(data, size, image, error);
    if (size >= 8 && std::memcmp(data, PNG_SIGNATURE, 8) == 0)
        return DecodePng(data, size, image, error);
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return DecodeJpeg(data, size, image, error);
    if (size >= 4 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G') {
        error = "corrupt PNG signature";
        return false;
    }
    if (LooksLikeTga(data, size))
        return DecodeTga(data, size, image, error);
    error = "not a recognised image format";
    return false;
}
