// Pixel formats: layouts, alpha, and conversion to and from 32-bit ARGB. Uncompressed formats
// are described by their channel masks, so one routine serves all of them; DXT blocks go
// through the platform layer's one DXT codec, so a converted image shows the colours the
// texture upload would.
#include "d3dx/image_format.h"

#include "d3d8/dxt_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct MaskFormat {
    D3DFORMAT format;
    uint32_t bytes;
    uint32_t a, r, g, b;
    bool luminance; // r holds the luminance mask
    const char* name;
};

constexpr std::array<MaskFormat, 14> MASK_FORMATS = {{
    {D3DFMT_A8R8G8B8, 4, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, false, "A8R8G8B8"},
    {D3DFMT_X8R8G8B8, 4, 0, 0xFF0000, 0xFF00, 0xFF, false, "X8R8G8B8"},
    {D3DFMT_R8G8B8, 3, 0, 0xFF0000, 0xFF00, 0xFF, false, "R8G8B8"},
    {D3DFMT_R5G6B5, 2, 0, 0xF800, 0x7E0, 0x1F, false, "R5G6B5"},
    {D3DFMT_X1R5G5B5, 2, 0, 0x7C00, 0x3E0, 0x1F, false, "X1R5G5B5"},
    {D3DFMT_A1R5G5B5, 2, 0x8000, 0x7C00, 0x3E0, 0x1F, false, "A1R5G5B5"},
    {D3DFMT_A4R4G4B4, 2, 0xF000, 0xF00, 0xF0, 0xF, false, "A4R4G4B4"},
    {D3DFMT_X4R4G4B4, 2, 0, 0xF00, 0xF0, 0xF, false, "X4R4G4B4"},
    {D3DFMT_R3G3B2, 1, 0, 0xE0, 0x1C, 0x3, false, "R3G3B2"},
    {D3DFMT_A8R3G3B2, 2, 0xFF00, 0xE0, 0x1C, 0x3, false, "A8R3G3B2"},
    {D3DFMT_A8, 1, 0xFF, 0, 0, 0, false, "A8"},
    {D3DFMT_L8, 1, 0, 0xFF, 0, 0, true, "L8"},
    {D3DFMT_A8L8, 2, 0xFF00, 0xFF, 0, 0, true, "A8L8"},
    {D3DFMT_A4L4, 1, 0xF0, 0xF, 0, 0, true, "A4L4"},
}};

const MaskFormat* FindMaskFormat(D3DFORMAT format) {
    for (const MaskFormat& f : MASK_FORMATS)
        if (f.format == format)
            return &f;
    return nullptr;
}

// A channel's value widened to 8 bits, rounded to nearest.
uint32_t Extract(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctz(mask);
    const uint32_t max = mask >> shift;
    const uint32_t value = (pixel & mask) >> shift;
    return (value * 255 + max / 2) / max;
}

uint32_t Insert(uint32_t value8, uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctz(mask);
    const uint32_t max = mask >> shift;
    return ((value8 * max + 127) / 255) << shift;
}

uint32_t ReadPixel(const uint8_t* p, uint32_t bytes) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(p[i]) << (8 * i);
    return value;
}

void WriteArgb(uint8_t* p, uint32_t argb) {
    std::memcpy(p, &argb, 4);
}

} // namespace

ImageLevel MakeArgbLevel(uint32_t width, uint32_t height) {
    ImageLevel level;
    level.width = width;
    level.height = height;
    level.pitch = width * 4;
    level.bytes.assign(static_cast<size_t>(level.pitch) * height, 0);
    return level;
}

bool IsBlockFormat(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

bool LevelLayout(D3DFORMAT format, uint32_t width, uint32_t height, uint32_t& pitch,
                 uint32_t& rows) {
    if (IsBlockFormat(format)) {
        pitch = (width + 3) / 4 * (format == D3DFMT_DXT1 ? 8 : 16);
        rows = (height + 3) / 4;
        return true;
    }
    const MaskFormat* f = FindMaskFormat(format);
    if (f == nullptr)
        return false;
    pitch = width * f->bytes;
    rows = height;
    return true;
}

bool FormatHasAlpha(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8P8:
    case D3DFMT_P8:
    case D3DFMT_A8L8:
    case D3DFMT_A4L4:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

const char* FormatName(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_DXT1:
        return "DXT1";
    case D3DFMT_DXT2:
        return "DXT2";
    case D3DFMT_DXT3:
        return "DXT3";
    case D3DFMT_DXT4:
        return "DXT4";
    case D3DFMT_DXT5:
        return "DXT5";
    default:
        break;
    }
    const MaskFormat* f = FindMaskFormat(format);
    return f != nullptr ? f->name : "unknown";
}

bool CanConvert(D3DFORMAT format) {
    return IsBlockFormat(format) || FindMaskFormat(format) != nullptr;
}

ImageLevel ConvertToArgb(D3DFORMAT format, const ImageLevel& level) {
    ImageLevel out = MakeArgbLevel(level.width, level.height);
    if (IsBlockFormat(format)) {
        const uint32_t blockBytes = DxtBlockBytes(format);
        uint32_t texels[16];
        for (uint32_t by = 0; by < (level.height + 3) / 4; ++by)
            for (uint32_t bx = 0; bx < (level.width + 3) / 4; ++bx) {
                DxtDecodeBlock(format, level.bytes.data() + by * level.pitch + bx * blockBytes,
                               texels);
                for (uint32_t i = 0; i < 16; ++i) {
                    const uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                    if (x < level.width && y < level.height)
                        WriteArgb(out.bytes.data() + y * out.pitch + x * 4, texels[i]);
                }
            }
        return out;
    }
    const MaskFormat* f = FindMaskFormat(format);
    if (f == nullptr)
        return out;
    for (uint32_t y = 0; y < level.height; ++y)
        for (uint32_t x = 0; x < level.width; ++x) {
            const uint32_t pixel =
                ReadPixel(level.bytes.data() + y * level.pitch + x * f->bytes, f->bytes);
            const uint32_t a = f->a != 0 ? Extract(pixel, f->a) : 255;
            uint32_t r, g, b;
            if (f->luminance) {
                r = g = b = Extract(pixel, f->r);
            } else {
                r = Extract(pixel, f->r);
                g = Extract(pixel, f->g);
                b = Extract(pixel, f->b);
            }
            WriteArgb(out.bytes.data() + y * out.pitch + x * 4, a << 24 | r << 16 | g << 8 | b);
        }
    return out;
}

bool ConvertFromArgb(D3DFORMAT format, const ImageLevel& argb, ImageLevel& out) {
    const MaskFormat* f = FindMaskFormat(format);
    if (f == nullptr)
        return false;
    out.width = argb.width;
    out.height = argb.height;
    out.pitch = argb.width * f->bytes;
    out.bytes.assign(static_cast<size_t>(out.pitch) * argb.height, 0);
    for (uint32_t y = 0; y < argb.height; ++y)
        for (uint32_t x = 0; x < argb.width; ++x) {
            uint32_t p;
            std::memcpy(&p, argb.bytes.data() + y * argb.pitch + x * 4, 4);
            const uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            uint32_t packed = Insert(a, f->a);
            if (f->luminance)
                packed |= Insert((r * 299 + g * 587 + b * 114 + 500) / 1000, f->r);
            else
                packed |= Insert(r, f->r) | Insert(g, f->g) | Insert(b, f->b);
            uint8_t* dst = out.bytes.data() + y * out.pitch + x * f->bytes;
            for (uint32_t i = 0; i < f->bytes; ++i)
                dst[i] = static_cast<uint8_t>(packed >> (8 * i));
        }
    return true;
}

ImageLevel HalveArgb(const ImageLevel& level) {
    const uint32_t w = std::max(1u, level.width / 2), h = std::max(1u, level.height / 2);
    ImageLevel out = MakeArgbLevel(w, h);
    const uint32_t sx = level.width > 1 ? 2 : 1, sy = level.height > 1 ? 2 : 1;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int channel = 0; channel < 4; ++channel) {
                uint32_t sum = 0;
                for (uint32_t dy = 0; dy < sy; ++dy)
                    for (uint32_t dx = 0; dx < sx; ++dx)
                        sum +=
                            level.bytes[(y * sy + dy) * level.pitch + (x * sx + dx) * 4 + channel];
                const uint32_t count = sx * sy;
                out.bytes[y * out.pitch + x * 4 + channel] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
    return out;
}

uint32_t FullMipCount(uint32_t width, uint32_t height) {
    uint32_t levels = 1;
    for (uint32_t size = std::max(width, height); size > 1; size /= 2)
        ++levels;
    return levels;
}
