// DXTn palettes and block decoding as the platform documents them.
//
// A colour block's two interpolated colours are (2 c0 + c1 + 1) / 3 and (c0 + 2 c1 + 1) / 3,
// rounded to nearest, while the three-colour mode's middle colour is (c0 + c1) / 2, rounded
// down: that is how the platform's documentation of the DXT1 format writes them. Decoding
// with truncated thirds instead would make a block whose end points expand to 16 and 0 read
// 10 where the platform reads 11. The documentation gives the interpolated alphas as exact
// sevenths and fifths; rounding to nearest is the closest a byte can get.
#include "d3d8/dxt_codec.h"

#include <algorithm>

namespace {

uint32_t Channel(uint32_t color, int shift) {
    return (color >> shift) & 0xFF;
}

// Per channel (w0 c0 + w1 c1 + bias) / total of two 0x00RRGGBB colours.
uint32_t Mix(uint32_t c0, uint32_t c1, uint32_t w0, uint32_t w1, uint32_t bias, uint32_t total) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= ((Channel(c0, shift) * w0 + Channel(c1, shift) * w1 + bias) / total) << shift;
    return out;
}

uint16_t ReadWord(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

uint32_t DxtBlockBytes(D3DFORMAT format) {
    return format == D3DFMT_DXT1 ? 8 : 16;
}

uint32_t DxtExpand565(uint16_t color) {
    const uint32_t r = (color >> 11) & 31, g = (color >> 5) & 63, b = color & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

uint16_t DxtPack565(uint32_t argb) {
    const uint32_t r = Channel(argb, 16), g = Channel(argb, 8), b = Channel(argb, 0);
    return static_cast<uint16_t>(((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 |
                                 ((b * 31 + 127) / 255));
}

void DxtColorPalette(uint16_t color0, uint16_t color1, bool threeColorAllowed,
                     uint32_t palette[4]) {
    const uint32_t e0 = DxtExpand565(color0), e1 = DxtExpand565(color1);
    palette[0] = 0xFF000000 | e0;
    palette[1] = 0xFF000000 | e1;
    if (color0 > color1 || !threeColorAllowed) {
        palette[2] = 0xFF000000 | Mix(e0, e1, 2, 1, 1, 3);
        palette[3] = 0xFF000000 | Mix(e0, e1, 1, 2, 1, 3);
    } else {
        palette[2] = 0xFF000000 | Mix(e0, e1, 1, 1, 0, 2);
        palette[3] = 0; // transparent black
    }
}

void DxtAlphaPalette(uint8_t alpha0, uint8_t alpha1, uint8_t values[8]) {
    const uint32_t a0 = alpha0, a1 = alpha1;
    values[0] = alpha0;
    values[1] = alpha1;
    if (a0 > a1) {
        for (uint32_t k = 1; k < 7; ++k)
            values[k + 1] = static_cast<uint8_t>(((7 - k) * a0 + k * a1 + 3) / 7);
    } else {
        for (uint32_t k = 1; k < 5; ++k)
            values[k + 1] = static_cast<uint8_t>(((5 - k) * a0 + k * a1 + 2) / 5);
        values[6] = 0;
        values[7] = 255;
    }
}

void DxtDecodeBlock(D3DFORMAT format, const uint8_t* block, uint32_t texels[16]) {
    const bool dxt1 = format == D3DFMT_DXT1;
    const uint8_t* colorBlock = dxt1 ? block : block + 8;
    uint32_t palette[4];
    DxtColorPalette(ReadWord(colorBlock), ReadWord(colorBlock + 2), dxt1, palette);
    const uint32_t indices = static_cast<uint32_t>(ReadWord(colorBlock + 4)) |
                             static_cast<uint32_t>(ReadWord(colorBlock + 6)) << 16;
    for (int i = 0; i < 16; ++i)
        texels[i] = palette[(indices >> (2 * i)) & 3];
    if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
        for (int i = 0; i < 16; ++i) {
            const uint32_t alpha = (block[i / 2] >> (4 * (i & 1))) & 0xF;
            texels[i] = (texels[i] & 0xFFFFFF) | (alpha * 17) << 24;
        }
    } else if (format == D3DFMT_DXT4 || format == D3DFMT_DXT5) {
        uint8_t values[8];
        DxtAlphaPalette(block[0], block[1], values);
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i)
            bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i)
            texels[i] =
                (texels[i] & 0xFFFFFF) | static_cast<uint32_t>(values[(bits >> (3 * i)) & 7]) << 24;
    }
}

void DxtDecodeLevel(D3DFORMAT format, const uint8_t* blocks, uint32_t blockRowPitch, uint32_t width,
                    uint32_t height, uint32_t* argb, uint32_t argbPitch) {
    const uint32_t blockBytes = DxtBlockBytes(format);
    const uint32_t blocksWide = std::max(1u, (width + 3) / 4);
    const uint32_t blocksHigh = std::max(1u, (height + 3) / 4);
    uint32_t texels[16];
    for (uint32_t by = 0; by < blocksHigh; ++by) {
        for (uint32_t bx = 0; bx < blocksWide; ++bx) {
            DxtDecodeBlock(format, blocks + by * blockRowPitch + bx * blockBytes, texels);
            for (uint32_t i = 0; i < 16; ++i) {
                const uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x < width && y < height)
                    argb[static_cast<size_t>(y) * argbPitch + x] = texels[i];
            }
        }
    }
}
