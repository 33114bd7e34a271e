// Texture formats: how each Direct3D format lies in memory and goes to OpenGL, and a DXTn
// decoder for contexts without the S3TC extension. FVF codes: where each vertex element lies.
#include "d3d8/d3d8_local.h"

#include <algorithm>

namespace {

constexpr std::array<GLint, 4> RGBA = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
constexpr std::array<GLint, 4> RGB1 = {GL_RED, GL_GREEN, GL_BLUE, GL_ONE};

// Luminance formats become red (and green for alpha) channels spread by the swizzle.
const D3D8FormatInfo FORMATS[] = {
    {D3DFMT_A8R8G8B8, 4, false, true, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, RGBA},
    {D3DFMT_X8R8G8B8, 4, false, false, GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, RGB1},
    {D3DFMT_R8G8B8, 3, false, false, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, RGB1},
    {D3DFMT_R5G6B5, 2, false, false, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, RGB1},
    {D3DFMT_X1R5G5B5, 2, false, false, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, RGB1},
    {D3DFMT_A1R5G5B5, 2, false, true, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, RGBA},
    {D3DFMT_A4R4G4B4, 2, false, true, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, RGBA},
    {D3DFMT_X4R4G4B4, 2, false, false, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, RGB1},
    {D3DFMT_A8,
     1,
     false,
     true,
     GL_R8,
     GL_RED,
     GL_UNSIGNED_BYTE,
     {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}},
    {D3DFMT_L8, 1, false, false, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}},
    {D3DFMT_A8L8,
     2,
     false,
     true,
     GL_RG8,
     GL_RG,
     GL_UNSIGNED_BYTE,
     {GL_RED, GL_RED, GL_RED, GL_GREEN}},
    {D3DFMT_DXT1, 8, true, false, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, RGBA},
    {D3DFMT_DXT2, 16, true, true, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, RGBA},
    {D3DFMT_DXT3, 16, true, true, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, RGBA},
    {D3DFMT_DXT4, 16, true, true, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, RGBA},
    {D3DFMT_DXT5, 16, true, true, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, RGBA},
};

struct Rgba {
    BYTE r, g, b, a;
};

Rgba Expand565(uint16_t c) {
    unsigned r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return {static_cast<BYTE>((r << 3) | (r >> 2)), static_cast<BYTE>((g << 2) | (g >> 4)),
            static_cast<BYTE>((b << 3) | (b >> 2)), 255};
}

BYTE Mix(unsigned a, unsigned b, unsigned wa, unsigned wb, unsigned total) {
    return static_cast<BYTE>((a * wa + b * wb) / total);
}

// The four colours of a DXT colour block; three plus transparent black in DXT1's
// one-bit-alpha mode (first colour not above the second).
void ColourPalette(const BYTE* block, bool allowTransparent, std::array<Rgba, 4>& palette) {
    uint16_t c0 = static_cast<uint16_t>(block[0] | (block[1] << 8));
    uint16_t c1 = static_cast<uint16_t>(block[2] | (block[3] << 8));
    Rgba a = Expand565(c0), b = Expand565(c1);
    palette[0] = a;
    palette[1] = b;
    if (c0 > c1 || !allowTransparent) {
        palette[2] = {Mix(a.r, b.r, 2, 1, 3), Mix(a.g, b.g, 2, 1, 3), Mix(a.b, b.b, 2, 1, 3), 255};
        palette[3] = {Mix(a.r, b.r, 1, 2, 3), Mix(a.g, b.g, 1, 2, 3), Mix(a.b, b.b, 1, 2, 3), 255};
    } else {
        palette[2] = {Mix(a.r, b.r, 1, 1, 2), Mix(a.g, b.g, 1, 1, 2), Mix(a.b, b.b, 1, 1, 2), 255};
        palette[3] = {0, 0, 0, 0};
    }
}

// The sixteen alpha values of a DXT5 alpha block, in pixel order.
void InterpolatedAlpha(const BYTE* block, std::array<BYTE, 16>& alpha) {
    unsigned a0 = block[0], a1 = block[1];
    std::array<BYTE, 8> values{};
    values[0] = static_cast<BYTE>(a0);
    values[1] = static_cast<BYTE>(a1);
    if (a0 > a1) {
        for (unsigned i = 1; i < 7; ++i)
            values[i + 1] = static_cast<BYTE>(((7 - i) * a0 + i * a1) / 7);
    } else {
        for (unsigned i = 1; i < 5; ++i)
            values[i + 1] = static_cast<BYTE>(((5 - i) * a0 + i * a1) / 5);
        values[6] = 0;
        values[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        alpha[i] = values[(bits >> (3 * i)) & 7];
}

} // namespace

const D3D8FormatInfo* D3D8FindFormat(D3DFORMAT format) {
    for (const D3D8FormatInfo& info : FORMATS) {
        if (info.format == format)
            return &info;
    }
    return nullptr;
}

UINT D3D8RowPitch(const D3D8FormatInfo& info, UINT width) {
    if (info.compressed)
        return std::max(1u, (width + 3) / 4) * info.bytes;
    return width * info.bytes;
}

UINT D3D8RowCount(const D3D8FormatInfo& info, UINT height) {
    return info.compressed ? std::max(1u, (height + 3) / 4) : height;
}

void D3D8DecodeDxt(D3DFORMAT format, const BYTE* blocks, UINT width, UINT height, BYTE* rgba) {
    const bool dxt1 = format == D3DFMT_DXT1;
    const bool explicitAlpha = format == D3DFMT_DXT2 || format == D3DFMT_DXT3;
    const UINT blockBytes = dxt1 ? 8 : 16;
    const UINT blocksWide = std::max(1u, (width + 3) / 4);
    const UINT blocksHigh = std::max(1u, (height + 3) / 4);
    for (UINT by = 0; by < blocksHigh; ++by) {
        for (UINT bx = 0; bx < blocksWide; ++bx) {
            const BYTE* block = blocks + (by * blocksWide + bx) * blockBytes;
            std::array<BYTE, 16> alpha;
            alpha.fill(255);
            if (explicitAlpha) {
                for (int i = 0; i < 16; ++i) {
                    unsigned nibble = (block[i / 2] >> ((i % 2) * 4)) & 15;
                    alpha[i] = static_cast<BYTE>(nibble * 17);
                }
            } else if (!dxt1) {
                InterpolatedAlpha(block, alpha);
            }
            const BYTE* colour = dxt1 ? block : block + 8;
            std::array<Rgba, 4> palette;
            ColourPalette(colour, dxt1, palette);
            uint32_t indices = static_cast<uint32_t>(colour[4]) | (colour[5] << 8) |
                               (colour[6] << 16) | (static_cast<uint32_t>(colour[7]) << 24);
            for (int i = 0; i < 16; ++i) {
                UINT x = bx * 4 + static_cast<UINT>(i % 4);
                UINT y = by * 4 + static_cast<UINT>(i / 4);
                if (x >= width || y >= height)
                    continue;
                Rgba texel = palette[(indices >> (2 * i)) & 3];
                BYTE* out = rgba + (static_cast<size_t>(y) * width + x) * 4;
                out[0] = texel.r;
                out[1] = texel.g;
                out[2] = texel.b;
                out[3] = dxt1 ? texel.a : alpha[i];
            }
        }
    }
}

bool D3D8DecodeFvf(DWORD fvf, D3D8VertexLayout& layout) {
    layout = D3D8VertexLayout{};
    UINT offset = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        offset = 12;
        break;
    case D3DFVF_XYZRHW:
        offset = 16;
        layout.pretransformed = true;
        break;
    case 0x006: // XYZB1 .. XYZB5: blend weights follow the position and are ignored here
    case 0x008:
    case 0x00A:
    case 0x00C:
    case 0x00E:
        offset = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - 4) / 2);
        break;
    default:
        return false;
    }
    auto take = [&offset](int& where, UINT size) {
        where = static_cast<int>(offset);
        offset += size;
    };
    if (fvf & D3DFVF_NORMAL)
        take(layout.normal, 12);
    if (fvf & D3DFVF_PSIZE)
        take(layout.pointSize, 4);
    if (fvf & D3DFVF_DIFFUSE)
        take(layout.diffuse, 4);
    if (fvf & D3DFVF_SPECULAR)
        take(layout.specular, 4);
    layout.texCoordCount =
        std::min(8, static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT));
    for (int i = 0; i < layout.texCoordCount; ++i) {
        static constexpr int SIZES[4] = {2, 3, 4, 1};
        int components = SIZES[(fvf >> (16 + 2 * i)) & 3];
        layout.texCoordSize[i] = components;
        take(layout.texCoord[i], static_cast<UINT>(components) * 4);
    }
    layout.size = offset;
    return true;
}
