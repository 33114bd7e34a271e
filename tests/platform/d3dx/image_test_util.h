// Reference pictures for the image tests: PNG files read with libpng into RGBA bytes, and
// decoded images turned into the same RGBA layout for comparison.
#pragma once

#include "d3dx/image_decoded.h"
#include "d3dx/image_format.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

struct RgbaPicture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// Reads a reference PNG with libpng: palette, grey and 16-bit expanded, alpha 255 where the
// file has none, gamma ignored.
inline bool ReadReferencePng(const std::string& path, RgbaPicture& picture) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    picture.width = png_get_image_width(png, info);
    picture.height = png_get_image_height(png, info);
    picture.rgba.assign(static_cast<size_t>(picture.width) * picture.height * 4, 0);
    std::vector<png_bytep> rows(picture.height);
    for (uint32_t y = 0; y < picture.height; ++y)
        rows[y] = picture.rgba.data() + static_cast<size_t>(y) * picture.width * 4;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

// Level 0 of a decoded image as RGBA bytes; alpha is 255 for formats without alpha, and
// DXT1 gives its transparent texels alpha 0.
inline RgbaPicture ToRgba(const DecodedImage& image) {
    const ImageLevel argb = ConvertToArgb(image.format, image.levels.front());
    RgbaPicture picture;
    picture.width = argb.width;
    picture.height = argb.height;
    picture.rgba.resize(static_cast<size_t>(argb.width) * argb.height * 4);
    for (size_t i = 0; i < static_cast<size_t>(argb.width) * argb.height; ++i) {
        uint32_t p;
        std::memcpy(&p, argb.bytes.data() + 4 * i, 4);
        picture.rgba[4 * i] = static_cast<uint8_t>(p >> 16);
        picture.rgba[4 * i + 1] = static_cast<uint8_t>(p >> 8);
        picture.rgba[4 * i + 2] = static_cast<uint8_t>(p);
        picture.rgba[4 * i + 3] = static_cast<uint8_t>(p >> 24);
    }
    return picture;
}
