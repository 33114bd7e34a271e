// DDS files: the 128-byte header (and the optional DX10 extension), the pixel format by
// FourCC or channel masks, and the levels of the mip chain the file carries. Formats Direct3D
// 8 knows are kept as they are (DXT blocks stay compressed); others are converted to 32-bit
// ARGB here. A cube map gives its first face, a volume its first slice.
#include "d3dx/image_decoded.h"
#include "d3dx/image_format.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t DDSD_DEPTH = 0x800000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_PALETTEINDEXED8 = 0x20;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

uint32_t Dword(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(a) | static_cast<uint32_t>(b) << 8 |
           static_cast<uint32_t>(c) << 16 | static_cast<uint32_t>(d) << 24;
}

struct PixelFormat {
    uint32_t flags, fourCC, bits, r, g, b, a;
};

// The Direct3D format with exactly these masks, if there is one.
D3DFORMAT MatchMasks(const PixelFormat& pf) {
    struct Entry {
        D3DFORMAT format;
        uint32_t bits, r, g, b, a;
        bool luminance;
    };
    static constexpr Entry TABLE[] = {
        {D3DFMT_A8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, false},
        {D3DFMT_X8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0, false},
        {D3DFMT_R8G8B8, 24, 0xFF0000, 0xFF00, 0xFF, 0, false},
        {D3DFMT_R5G6B5, 16, 0xF800, 0x7E0, 0x1F, 0, false},
        {D3DFMT_X1R5G5B5, 16, 0x7C00, 0x3E0, 0x1F, 0, false},
        {D3DFMT_A1R5G5B5, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, false},
        {D3DFMT_A4R4G4B4, 16, 0xF00, 0xF0, 0xF, 0xF000, false},
        {D3DFMT_X4R4G4B4, 16, 0xF00, 0xF0, 0xF, 0, false},
        {D3DFMT_A8R3G3B2, 16, 0xE0, 0x1C, 0x3, 0xFF00, false},
        {D3DFMT_R3G3B2, 8, 0xE0, 0x1C, 0x3, 0, false},
        {D3DFMT_L8, 8, 0xFF, 0, 0, 0, true},
        {D3DFMT_A8L8, 16, 0xFF, 0, 0, 0xFF00, true},
        {D3DFMT_A4L4, 8, 0xF, 0, 0, 0xF0, true},
    };
    const bool luminance = (pf.flags & DDPF_LUMINANCE) != 0;
    const uint32_t a = (pf.flags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) ? pf.a : 0;
    // Some writers give 8-bit luminance a mask outside the 8 bits; it can only mean L8.
    if (luminance && pf.bits == 8 && a == 0)
        return D3DFMT_L8;
    if ((pf.flags & DDPF_ALPHA) && !(pf.flags & (DDPF_RGB | DDPF_LUMINANCE)))
        return pf.bits == 8 && pf.a == 0xFF ? D3DFMT_A8 : D3DFMT_UNKNOWN;
    for (const Entry& e : TABLE) {
        if (e.bits != pf.bits || e.luminance != luminance || e.a != a)
            continue;
        if (luminance ? e.r == pf.r : (e.r == pf.r && e.g == pf.g && e.b == pf.b))
            return e.format;
    }
    return D3DFMT_UNKNOWN;
}

uint32_t ChannelValue(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctz(mask);
    const uint64_t max = mask >> shift;
    return static_cast<uint32_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
}

// Any other mask layout (A8B8G8R8, odd bit counts...) becomes 32-bit ARGB.
ImageLevel ConvertByMasks(const PixelFormat& pf, const uint8_t* src, uint32_t width,
                          uint32_t height) {
    ImageLevel out = MakeArgbLevel(width, height);
    const uint32_t bytes = pf.bits / 8;
    const bool luminance = (pf.flags & DDPF_LUMINANCE) != 0;
    const bool alpha = (pf.flags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) && pf.a != 0;
    for (uint32_t i = 0; i < width * height; ++i) {
        uint32_t pixel = 0;
        for (uint32_t k = 0; k < bytes; ++k)
            pixel |= static_cast<uint32_t>(src[i * bytes + k]) << (8 * k);
        const uint32_t r = ChannelValue(pixel, pf.r);
        const uint32_t g = luminance ? r : ChannelValue(pixel, pf.g);
        const uint32_t b = luminance ? r : ChannelValue(pixel, pf.b);
        const uint32_t a = alpha ? ChannelValue(pixel, pf.a) : 255;
        const uint32_t argb = a << 24 | r << 16 | g << 8 | b;
        std::memcpy(out.bytes.data() + 4 * static_cast<size_t>(i), &argb, 4);
    }
    return out;
}

bool Fail(std::string& error, const std::string& text) {
    error = text;
    return false;
}

// How the file stores its pixels: a Direct3D format kept as it is, or indices into a palette,
// or channel masks no Direct3D format has (format unknown), both converted to 32-bit ARGB.
struct DdsLayout {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    bool swapRedBlue = false; // DX10 R8G8B8A8
    bool palette = false;
    size_t offset = 128; // where the palette or the first level starts
};

bool ReadDx10Format(const uint8_t* data, size_t size, DdsLayout& layout, std::string& error) {
    if (size < 148)
        return Fail(error, "truncated DDS DX10 header");
    const uint32_t dxgi = Dword(data + 128);
    layout.offset = 148;
    switch (dxgi) {
    case 28: // R8G8B8A8_UNORM
    case 29: // R8G8B8A8_UNORM_SRGB
        layout.format = D3DFMT_A8R8G8B8;
        layout.swapRedBlue = true;
        return true;
    case 87: // B8G8R8A8_UNORM
        layout.format = D3DFMT_A8R8G8B8;
        return true;
    case 88: // B8G8R8X8_UNORM
        layout.format = D3DFMT_X8R8G8B8;
        return true;
    case 71: // BC1
    case 72:
        layout.format = D3DFMT_DXT1;
        return true;
    case 74: // BC2
    case 75:
        layout.format = D3DFMT_DXT3;
        return true;
    case 77: // BC3
    case 78:
        layout.format = D3DFMT_DXT5;
        return true;
    default:
        return Fail(error, "unsupported DDS DX10 format " + std::to_string(dxgi));
    }
}

bool ReadFourCcFormat(const uint8_t* data, size_t size, const PixelFormat& pf, DdsLayout& layout,
                      std::string& error) {
    switch (pf.fourCC) {
    case FourCC('D', 'X', 'T', '1'):
    case FourCC('D', 'X', 'T', '2'):
    case FourCC('D', 'X', 'T', '3'):
    case FourCC('D', 'X', 'T', '4'):
    case FourCC('D', 'X', 'T', '5'):
        layout.format = static_cast<D3DFORMAT>(pf.fourCC);
        return true;
    case FourCC('D', 'X', '1', '0'):
        return ReadDx10Format(data, size, layout, error);
    default:
        // A numeric FourCC names a Direct3D format directly.
        if (pf.fourCC < 256 && CanConvert(static_cast<D3DFORMAT>(pf.fourCC)) &&
            !IsBlockFormat(static_cast<D3DFORMAT>(pf.fourCC))) {
            layout.format = static_cast<D3DFORMAT>(pf.fourCC);
            return true;
        }
        if (pf.fourCC < 256)
            return Fail(error, "unsupported DDS pixel format (Direct3D format " +
                                   std::to_string(pf.fourCC) + ")");
        return Fail(error, "unsupported DDS pixel format \"" +
                               std::string(reinterpret_cast<const char*>(data + 84), 4) + "\"");
    }
}

bool ReadLayout(const uint8_t* data, size_t size, const PixelFormat& pf, DdsLayout& layout,
                std::string& error) {
    if (pf.flags & DDPF_FOURCC)
        return ReadFourCcFormat(data, size, pf, layout, error);
    if (pf.flags & DDPF_PALETTEINDEXED8) {
        // Writers fill the bit count of palette files inconsistently; indices are 8-bit.
        layout.palette = true;
        layout.format = D3DFMT_X8R8G8B8;
        return true;
    }
    if (pf.flags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA)) {
        if (pf.bits != 8 && pf.bits != 16 && pf.bits != 24 && pf.bits != 32)
            return Fail(error, "unsupported DDS bit count " + std::to_string(pf.bits));
        layout.format = MatchMasks(pf);
        return true;
    }
    return Fail(error, "DDS pixel format names no FourCC, RGB or luminance layout");
}

bool ByMasks(const DdsLayout& layout) {
    return layout.format == D3DFMT_UNKNOWN;
}

// Bytes one level of w x h takes in the file.
size_t FileLevelBytes(const DdsLayout& layout, const PixelFormat& pf, uint32_t w, uint32_t h) {
    if (layout.palette || ByMasks(layout))
        return static_cast<size_t>(w) * h * (layout.palette ? 1 : pf.bits / 8);
    uint32_t pitch = 0, rows = 0;
    LevelLayout(layout.format, w, h, pitch, rows);
    return static_cast<size_t>(pitch) * rows;
}

// One level from its bytes in the file, in the image's format.
ImageLevel DecodeLevel(const DdsLayout& layout, const PixelFormat& pf, const uint8_t* palette,
                       const uint8_t* src, size_t bytes, uint32_t w, uint32_t h) {
    ImageLevel out;
    if (layout.palette) {
        out = MakeArgbLevel(w, h);
        for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
            const uint8_t* entry = palette + 4 * src[i];
            const uint32_t argb = 0xFF000000u | entry[0] << 16 | entry[1] << 8 | entry[2];
            std::memcpy(out.bytes.data() + 4 * i, &argb, 4);
        }
        return out;
    }
    if (ByMasks(layout))
        return ConvertByMasks(pf, src, w, h);
    out.width = w;
    out.height = h;
    uint32_t rows = 0;
    LevelLayout(layout.format, w, h, out.pitch, rows);
    out.bytes.assign(src, src + bytes);
    if (layout.swapRedBlue)
        for (size_t i = 0; i + 3 < out.bytes.size(); i += 4)
            std::swap(out.bytes[i], out.bytes[i + 2]);
    return out;
}

} // namespace

bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    image.type = "DDS";
    if (size < 128 || Dword(data) != FourCC('D', 'D', 'S', ' '))
        return Fail(error, "truncated DDS header");
    if (Dword(data + 4) != 124 || Dword(data + 76) != 32)
        return Fail(error, "bad DDS header sizes");
    const uint32_t flags = Dword(data + 8);
    const uint32_t height = Dword(data + 12);
    const uint32_t width = Dword(data + 16);
    const uint32_t depth = Dword(data + 24);
    const uint32_t mipCount = Dword(data + 28);
    const PixelFormat pf{Dword(data + 80), Dword(data + 84),  Dword(data + 88), Dword(data + 92),
                         Dword(data + 96), Dword(data + 100), Dword(data + 104)};
    const uint32_t caps2 = Dword(data + 112);
    if (!ImageSizeAllowed("DDS", width, height, error))
        return false;
    DdsLayout layout;
    if (!ReadLayout(data, size, pf, layout, error))
        return false;
    uint8_t palette[1024] = {};
    if (layout.palette) {
        if (size - layout.offset < 1024)
            return Fail(error, "truncated DDS palette");
        std::memcpy(palette, data + layout.offset, 1024);
        layout.offset += 1024;
    }

    const bool volume = (caps2 & DDSCAPS2_VOLUME) != 0 || ((flags & DDSD_DEPTH) && depth > 1);
    uint32_t levels = std::clamp(mipCount, 1u, FullMipCount(width, height));
    if (volume) {
        levels = 1; // only the first slice of the top level is a 2D picture
        image.note = "first slice of a volume texture";
    } else if (caps2 & DDSCAPS2_CUBEMAP) {
        image.note = "first face of a cube map";
    }
    const bool alphaMask = (pf.flags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) && pf.a != 0;
    image.format =
        ByMasks(layout) ? (alphaMask ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8) : layout.format;
    size_t offset = layout.offset;
    for (uint32_t level = 0; level < levels; ++level) {
        const uint32_t w = std::max(1u, width >> level), h = std::max(1u, height >> level);
        // Each level is checked against the file before it is decoded, so what a level
        // allocates is bounded by the file's own size.
        const size_t bytes = FileLevelBytes(layout, pf, w, h);
        if (bytes > size - offset) {
            if (level == 0)
                return Fail(error, "truncated DDS pixel data (" + std::to_string(size - offset) +
                                       " of " + std::to_string(bytes) + " bytes)");
            break; // missing smaller levels are generated like absent ones
        }
        image.levels.push_back(DecodeLevel(layout, pf, palette, data + offset, bytes, w, h));
        offset += bytes;
    }
    return true;
}
