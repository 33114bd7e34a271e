// JPEG files through libjpeg: baseline, extended and progressive, grey, YCbCr and Adobe
// CMYK/YCCK, all as X8R8G8B8. Data that ends early is refused rather than shown half grey.
#include "d3dx/image_decoded.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
    bool whole; // the message is a whole reason, not one of libjpeg's
};

void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        errors->truncated = true;
}

// Outside ReadJpeg, whose errors leave by longjmp past any destructor.
bool SizeAllowed(uint32_t width, uint32_t height, JpegErrors& errors) {
    std::string error;
    if (ImageSizeAllowed("JPEG", width, height, error))
        return true;
    std::snprintf(errors.message, sizeof errors.message, "%s", error.c_str());
    errors.whole = true;
    return false;
}

// Each scan of a progressive file is a pass over the whole picture; writers use about a
// dozen. A file of thousands of tiny scans would take minutes to decode, so it is refused.
constexpr int MAX_SCANS = 256;

void OnProgress(j_common_ptr info) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number <= MAX_SCANS)
        return;
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    std::snprintf(errors->message, sizeof errors->message, "JPEG has more than %d scans",
                  MAX_SCANS);
    errors->whole = true;
    longjmp(errors->jump, 1);
}

// The libjpeg part, free of objects with destructors because errors leave by longjmp.
bool ReadJpeg(const uint8_t* data, size_t size, JpegErrors& errors, uint8_t** pixels,
              uint32_t& width, uint32_t& height) {
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnError;
    errors.manager.emit_message = OnMessage;
    uint8_t* volatile buffer = nullptr;
    uint8_t* volatile row = nullptr;
    if (setjmp(errors.jump)) {
        delete[] buffer;
        delete[] row;
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = OnProgress;
    info.progress = &progress;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (!SizeAllowed(info.image_width, info.image_height, errors))
        longjmp(errors.jump, 1);
    // Progressive files keep every coefficient of the picture (two bytes each) in memory;
    // the library refuses anything past this instead of allocating it.
    info.mem->max_memory_to_use = static_cast<long>(MAX_IMAGE_PIXELS * 4 * 3);
    jpeg_start_decompress(&info);
    width = info.output_width;
    height = info.output_height;
    const uint32_t components = static_cast<uint32_t>(info.output_components);
    buffer = new uint8_t[static_cast<size_t>(width) * height * 4];
    row = new uint8_t[static_cast<size_t>(width) * components];
    while (info.output_scanline < info.output_height) {
        const uint32_t y = info.output_scanline;
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&info, rows, 1);
        uint8_t* out = buffer + static_cast<size_t>(y) * width * 4;
        for (uint32_t x = 0; x < width; ++x, out += 4) {
            const uint8_t* in = row + x * components;
            if (cmyk) {
                // Adobe writes CMYK inverted: each value is already 255 - ink.
                out[2] = static_cast<uint8_t>((in[0] * in[3] + 127) / 255);
                out[1] = static_cast<uint8_t>((in[1] * in[3] + 127) / 255);
                out[0] = static_cast<uint8_t>((in[2] * in[3] + 127) / 255);
            } else {
                out[2] = in[0];
                out[1] = in[1];
                out[0] = in[2];
            }
            out[3] = 0xFF;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    delete[] row;
    *pixels = buffer;
    return true;
}

} // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    image.type = "JPEG";
    JpegErrors errors{};
    uint8_t* pixels = nullptr;
    uint32_t width = 0, height = 0;
    if (!ReadJpeg(data, size, errors, &pixels, width, height)) {
        error =
            errors.whole ? std::string(errors.message) : std::string("bad JPEG: ") + errors.message;
        return false;
    }
    if (errors.truncated) {
        delete[] pixels;
        error = "truncated JPEG data";
        return false;
    }
    ImageLevel level;
    level.width = width;
    level.height = height;
    level.pitch = width * 4;
    level.bytes.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
    delete[] pixels;
    image.format = D3DFMT_X8R8G8B8;
    image.levels.push_back(std::move(level));
    return true;
}
