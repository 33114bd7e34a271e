// DXT1, DXT3 and DXT5 encoding of 32-bit ARGB levels, for mip levels a compressed file does
// not carry. Each block takes the two colours furthest apart along its widest channel range
// as end points and gives every texel the nearest of the four palette colours; DXT1 blocks
// with texels of alpha below 128 use the three-colour mode with transparent black, DXT5
// alpha takes the block's lowest and highest alpha as end points.
#include "d3dx/image_format.h"

#include "d3d8/dxt_codec.h"

#include <algorithm>
#include <cstring>

namespace {

int Distance(uint32_t a, uint32_t b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

// The colour half of a block: 8 bytes. transparentMode allows DXT1's three-colour mode.
void EncodeColors(const uint32_t texels[16], bool transparentMode, uint8_t* out) {
    bool anyTransparent = false;
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        if (transparentMode && (texels[i] >> 24) < 128) {
            anyTransparent = true;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            const int value = static_cast<int>((texels[i] >> (16 - 8 * k)) & 0xFF);
            lo[k] = std::min(lo[k], value);
            hi[k] = std::max(hi[k], value);
        }
    }
    // End points: the opaque texels with the lowest and highest value of the widest channel.
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (hi[k] - lo[k] > hi[axis] - lo[axis])
            axis = k;
    uint32_t minColor = 0, maxColor = 0;
    int minValue = 256, maxValue = -1;
    for (int i = 0; i < 16; ++i) {
        if (transparentMode && (texels[i] >> 24) < 128)
            continue;
        const int value = static_cast<int>((texels[i] >> (16 - 8 * axis)) & 0xFF);
        if (value < minValue) {
            minValue = value;
            minColor = texels[i];
        }
        if (value > maxValue) {
            maxValue = value;
            maxColor = texels[i];
        }
    }
    uint16_t c0 = DxtPack565(maxColor), c1 = DxtPack565(minColor);
    if (anyTransparent ? c0 > c1 : c0 < c1)
        std::swap(c0, c1); // three-colour mode needs c0 <= c1, four-colour mode c0 > c1
    // Texels pick from the palette a decoder will show, rounding included.
    uint32_t palette[4];
    DxtColorPalette(c0, c1, transparentMode, palette);
    const bool fourColors = !anyTransparent && c0 != c1;
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 0;
        if (anyTransparent && (texels[i] >> 24) < 128) {
            best = 3;
        } else {
            const uint32_t choices = fourColors ? 4 : 3;
            int bestDistance = Distance(texels[i], palette[0]);
            for (uint32_t k = 1; k < choices; ++k) {
                const int d = Distance(texels[i], palette[k]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = k;
                }
            }
        }
        bits |= best << (2 * i);
    }
    out[0] = static_cast<uint8_t>(c0);
    out[1] = static_cast<uint8_t>(c0 >> 8);
    out[2] = static_cast<uint8_t>(c1);
    out[3] = static_cast<uint8_t>(c1 >> 8);
    for (int k = 0; k < 4; ++k)
        out[4 + k] = static_cast<uint8_t>(bits >> (8 * k));
}

void EncodeExplicitAlpha(const uint32_t texels[16], uint8_t* out) {
    std::memset(out, 0, 8);
    for (int i = 0; i < 16; ++i) {
        const uint32_t a = ((texels[i] >> 24) * 15 + 127) / 255;
        out[i / 2] |= static_cast<uint8_t>(a << (4 * (i & 1)));
    }
}

void EncodeInterpolatedAlpha(const uint32_t texels[16], uint8_t* out) {
    uint32_t lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) {
        lo = std::min(lo, texels[i] >> 24);
        hi = std::max(hi, texels[i] >> 24);
    }
    // Eight-value mode (a0 > a1); a block of one alpha repeats it in both end points.
    uint8_t values[8];
    DxtAlphaPalette(static_cast<uint8_t>(hi), static_cast<uint8_t>(lo), values);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        const int a = static_cast<int>(texels[i] >> 24);
        uint64_t best = 0;
        int bestDistance = 1 << 30;
        for (uint32_t k = 0; k < 8; ++k) {
            const int d = std::abs(a - static_cast<int>(values[k]));
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        bits |= best << (3 * i);
    }
    out[0] = static_cast<uint8_t>(hi);
    out[1] = static_cast<uint8_t>(lo);
    for (int k = 0; k < 6; ++k)
        out[2 + k] = static_cast<uint8_t>(bits >> (8 * k));
}

} // namespace

bool EncodeBlocks(D3DFORMAT format, const ImageLevel& argb, ImageLevel& out) {
    if (format != D3DFMT_DXT1 && format != D3DFMT_DXT3 && format != D3DFMT_DXT5)
        return false;
    uint32_t rows = 0;
    out.width = argb.width;
    out.height = argb.height;
    LevelLayout(format, argb.width, argb.height, out.pitch, rows);
    out.bytes.assign(static_cast<size_t>(out.pitch) * rows, 0);
    const uint32_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    uint32_t texels[16];
    for (uint32_t by = 0; by < rows; ++by)
        for (uint32_t bx = 0; bx < (argb.width + 3) / 4; ++bx) {
            // Texels past the edge repeat the last row and column.
            for (uint32_t i = 0; i < 16; ++i) {
                const uint32_t x = std::min(bx * 4 + i % 4, argb.width - 1);
                const uint32_t y = std::min(by * 4 + i / 4, argb.height - 1);
                std::memcpy(&texels[i], argb.bytes.data() + y * argb.pitch + 4 * x, 4);
            }
            uint8_t* block = out.bytes.data() + by * out.pitch + bx * blockBytes;
            if (format == D3DFMT_DXT1) {
                EncodeColors(texels, true, block);
            } else {
                if (format == D3DFMT_DXT3)
                    EncodeExplicitAlpha(texels, block);
                else
                    EncodeInterpolatedAlpha(texels, block);
                EncodeColors(texels, false, block + 8);
            }
        }
    return true;
}
