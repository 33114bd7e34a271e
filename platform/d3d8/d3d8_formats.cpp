// Texture formats: how each Direct3D format lies in memory and goes to OpenGL. FVF codes: where
// each vertex element lies.
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
