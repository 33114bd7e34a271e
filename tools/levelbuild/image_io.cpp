// PNG and DDS writers for the builder's images.
#include "image_io.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace levelbuild {

void Image::Set(int x, int y, float r, float g, float b, float a) {
    auto c = [](float f) {
        return static_cast<uint8_t>(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f);
    };
    uint8_t* p = At(x, y);
    p[0] = c(r);
    p[1] = c(g);
    p[2] = c(b);
    p[3] = c(a);
}

bool WritePng(const std::string& path, const Image& image) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // No time chunk: the output must not change from one build to the next.
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(image.At(0, y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

Image HalveImage(const Image& image) {
    Image out(std::max(1, image.width / 2), std::max(1, image.height / 2));
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            for (int c = 0; c < 4; ++c) {
                int sum = 0, count = 0;
                for (int dy = 0; dy < 2; ++dy) {
                    for (int dx = 0; dx < 2; ++dx) {
                        int sx = std::min(image.width - 1, x * 2 + dx);
                        int sy = std::min(image.height - 1, y * 2 + dy);
                        sum += image.At(sx, sy)[c];
                        ++count;
                    }
                }
                out.At(x, y)[c] = static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return out;
}

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

} // namespace

std::vector<uint8_t> DdsArgbBytes(const Image& image) {
    std::vector<uint8_t> out;
    out.reserve(image.rgba.size());
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        const uint8_t* p = &image.rgba[i];
        out.insert(out.end(), {p[2], p[1], p[0], p[3]}); // B, G, R, A in memory
    }
    return out;
}

bool WriteDdsLevels(const std::string& path, DdsFormat format, int width, int height,
                    const std::vector<std::vector<uint8_t>>& levels) {
    const bool blocks = format == DdsFormat::DXT1 || format == DdsFormat::DXT5;
    std::vector<uint8_t> out;
    out.insert(out.end(), {'D', 'D', 'S', ' '});
    PutU32(out, 124); // dwSize
    // Caps, height, width, pixel format and mip count, with the pitch of a row or the size of
    // the first level of blocks.
    PutU32(out, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | (blocks ? 0x80000 : 0x8));
    PutU32(out, height);
    PutU32(out, width);
    PutU32(out, blocks ? static_cast<uint32_t>(levels.front().size()) : width * 4);
    PutU32(out, 0); // depth
    PutU32(out, static_cast<uint32_t>(levels.size()));
    for (int i = 0; i < 11; ++i) {
        PutU32(out, 0); // reserved
    }
    PutU32(out, 32); // pixel format size
    if (blocks) {
        PutU32(out, 0x4); // DDPF_FOURCC
        out.insert(out.end(),
                   {'D', 'X', 'T', format == DdsFormat::DXT1 ? uint8_t('1') : uint8_t('5')});
        for (int i = 0; i < 5; ++i) {
            PutU32(out, 0); // bit count and masks
        }
    } else {
        const bool alpha = format == DdsFormat::A8R8G8B8;
        PutU32(out, 0x40 | (alpha ? 0x1 : 0x0)); // DDPF_RGB, DDPF_ALPHAPIXELS
        PutU32(out, 0);                          // fourCC
        PutU32(out, 32);                         // bits per pixel
        PutU32(out, 0x00FF0000);                 // red mask
        PutU32(out, 0x0000FF00);                 // green mask
        PutU32(out, 0x000000FF);                 // blue mask
        PutU32(out, alpha ? 0xFF000000 : 0);     // alpha mask
    }
    PutU32(out, 0x1000 | 0x8 | 0x400000); // texture, complex, mipmap
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    for (const std::vector<uint8_t>& level : levels) {
        ok = ok && std::fwrite(level.data(), 1, level.size(), file) == level.size();
    }
    return std::fclose(file) == 0 && ok;
}

bool WriteDds(const std::string& path, const Image& image) {
    std::vector<std::vector<uint8_t>> levels;
    Image level = image;
    for (;;) {
        levels.push_back(DdsArgbBytes(level));
        if (level.width == 1 && level.height == 1) {
            break;
        }
        level = HalveImage(level);
    }
    return WriteDdsLevels(path, DdsFormat::A8R8G8B8, image.width, image.height, levels);
}

} // namespace levelbuild
