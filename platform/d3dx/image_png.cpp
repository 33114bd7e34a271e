// PNG files through libpng: every colour type and bit depth expanded to 8-bit BGRA. Gamma and
// colour-space chunks are ignored: texels keep the values stored in the file. 16-bit samples
// keep their high byte. The image has alpha when the file has an alpha channel or tRNS.
#include "d3dx/image_decoded.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char message[200];
    bool whole; // the message is a whole reason, not one of libpng's
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->pos)
        png_error(png, "truncated PNG data");
    std::memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

void OnError(png_structp png, png_const_charp message) {
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Outside ReadPng, whose errors leave by longjmp past any destructor.
bool SizeAllowed(uint32_t width, uint32_t height, PngSource& source) {
    std::string error;
    if (ImageSizeAllowed("PNG", width, height, error))
        return true;
    std::snprintf(source.message, sizeof source.message, "%s", error.c_str());
    source.whole = true;
    return false;
}

// The libpng part, kept free of objects with destructors because errors leave by longjmp.
bool ReadPng(PngSource& source, uint8_t** pixels, uint32_t& width, uint32_t& height, bool& alpha) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
    if (png == nullptr) {
        std::snprintf(source.message, sizeof source.message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    png_bytep* volatile rows = nullptr;
    uint8_t* volatile buffer = nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        delete[] rows;
        delete[] buffer;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, MAX_IMAGE_SIZE, MAX_IMAGE_SIZE);
    png_set_read_fn(png, &source, ReadBytes);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    if (!SizeAllowed(width, height, source))
        png_longjmp(png, 1);
    // Deflate packs at most about 1032 bytes into one, so a file much shorter than its rows
    // cannot hold them; refusing it here keeps a tiny file from asking for a large picture.
    const uint64_t filteredBytes =
        static_cast<uint64_t>(height) * (1 + png_get_rowbytes(png, info));
    if (filteredBytes / 1032 > source.size) {
        std::snprintf(source.message, sizeof source.message,
                      "PNG file too short for its %ux%u pixels", width, height);
        source.whole = true;
        png_longjmp(png, 1);
    }
    const int colorType = png_get_color_type(png, info);
    alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!alpha)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4)
        png_error(png, "unexpected PNG row size");
    buffer = new uint8_t[static_cast<size_t>(width) * height * 4];
    rows = new png_bytep[height];
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = buffer + static_cast<size_t>(y) * width * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    delete[] rows;
    png_destroy_read_struct(&png, &info, nullptr);
    *pixels = buffer;
    return true;
}

} // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    image.type = "PNG";
    PngSource source{data, size, 0, {}, false};
    uint8_t* pixels = nullptr;
    uint32_t width = 0, height = 0;
    bool alpha = false;
    if (!ReadPng(source, &pixels, width, height, alpha)) {
        error =
            source.whole ? std::string(source.message) : std::string("bad PNG: ") + source.message;
        return false;
    }
    ImageLevel level;
    level.width = width;
    level.height = height;
    level.pitch = width * 4;
    level.bytes.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
    delete[] pixels;
    image.format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    image.levels.push_back(std::move(level));
    return true;
}
