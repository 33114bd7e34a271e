// The DXT codec against the platform's documented arithmetic, with values worked out by hand:
// 565 widening, the rounded thirds and the rounded-down midpoint of colour blocks, alpha
// interpolation in both modes, explicit alpha, and levels that end inside a block.
#include "d3d8/dxt_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A 565 colour with only red set to the 5-bit value r.
constexpr uint16_t Red5(uint16_t r) {
    return static_cast<uint16_t>(r << 11);
}

} // namespace

TEST(DxtCodec, Widens565ByRepeatingTopBitsAndPacksBackToTheSameColour) {
    EXPECT_EQ(DxtExpand565(0x0000), 0x000000u);
    EXPECT_EQ(DxtExpand565(0xFFFF), 0xFFFFFFu);
    EXPECT_EQ(DxtExpand565(Red5(16)), 0x840000u); // 10000 -> 10000100
    EXPECT_EQ(DxtExpand565(0x0400), 0x008200u);   // green 32 -> 10000010
    EXPECT_EQ(DxtExpand565(0x0001), 0x000008u);   // blue 1 -> 00001000
    for (uint32_t c = 0; c <= 0xFFFF; ++c) {
        const uint16_t color = static_cast<uint16_t>(c);
        ASSERT_EQ(DxtPack565(0xFF000000 | DxtExpand565(color)), color) << std::hex << c;
    }
    EXPECT_EQ(DxtPack565(0xFF040000), 0x0000) << "4 of 255 is nearer 0 than 8";
    EXPECT_EQ(DxtPack565(0xFF050000), Red5(1)) << "5 of 255 is nearer 8 than 0";
}

TEST(DxtCodec, ColourThirdsRoundToNearestAndTheMidpointRoundsDown) {
    uint32_t palette[4];
    // Red 16 and 0: thirds (2 * 16 + 0 + 1) / 3 = 11 and (16 + 0 + 1) / 3 = 5; truncating
    // would give 10 and 5.
    DxtColorPalette(Red5(2), 0x0000, true, palette);
    EXPECT_EQ(palette[0], 0xFF100000u);
    EXPECT_EQ(palette[1], 0xFF000000u);
    EXPECT_EQ(palette[2], 0xFF0B0000u);
    EXPECT_EQ(palette[3], 0xFF050000u);
    // Red 8 and 33 in three-colour mode (first not above second): (8 + 33) / 2 = 20, and
    // transparent black.
    DxtColorPalette(Red5(1), Red5(4), true, palette);
    EXPECT_EQ(palette[2], 0xFF140000u);
    EXPECT_EQ(palette[3], 0x00000000u);
    // The same end points in a DXT3/DXT5 colour block: four colours, (2 * 8 + 33 + 1) / 3 =
    // 16 and (8 + 2 * 33 + 1) / 3 = 25.
    DxtColorPalette(Red5(1), Red5(4), false, palette);
    EXPECT_EQ(palette[2], 0xFF100000u);
    EXPECT_EQ(palette[3], 0xFF190000u);
    // Equal end points in DXT1 are the three-colour mode.
    DxtColorPalette(Red5(3), Red5(3), true, palette);
    EXPECT_EQ(palette[2], 0xFF180000u);
    EXPECT_EQ(palette[3], 0x00000000u);
}

TEST(DxtCodec, AlphaInterpolatesInSeventhsOrFifthsRoundedWithinItsEndPoints) {
    uint8_t values[8];
    // 200 and 10: (6 * 200 + 10 + 3) / 7 = 173, ..., (200 + 6 * 10 + 3) / 7 = 37.
    DxtAlphaPalette(200, 10, values);
    const uint8_t sevenths[8] = {200, 10, 173, 146, 119, 91, 64, 37};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(values[k], sevenths[k]) << "index " << k;
    // 10 and 200: fifths (4 * 10 + 200 + 2) / 5 = 48, 86, 124, 162, then 0 and 255.
    DxtAlphaPalette(10, 200, values);
    const uint8_t fifths[8] = {10, 200, 48, 86, 124, 162, 0, 255};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(values[k], fifths[k]) << "index " << k;
    for (int a0 = 0; a0 < 256; ++a0) {
        for (int a1 = 0; a1 < 256; ++a1) {
            DxtAlphaPalette(static_cast<uint8_t>(a0), static_cast<uint8_t>(a1), values);
            const int lo = std::min(a0, a1), hi = std::max(a0, a1);
            for (int k = 2; k < (a0 > a1 ? 8 : 6); ++k)
                ASSERT_TRUE(values[k] >= lo && values[k] <= hi)
                    << a0 << ", " << a1 << " index " << k << ": " << int(values[k]);
        }
    }
}

TEST(DxtCodec, BlocksDecodeTheirAlphaKindAndLevelsStopAtTheirEdge) {
    // DXT3: explicit alpha 0x5 (85) for every texel over colour index 2 of red 16 / black.
    std::vector<uint8_t> dxt3(16, 0x55);
    const uint8_t colours[8] = {0x00, 0x10, 0x00, 0x00, 0xAA, 0xAA, 0xAA, 0xAA};
    std::copy(colours, colours + 8, dxt3.begin() + 8);
    uint32_t texels[16];
    DxtDecodeBlock(D3DFMT_DXT3, dxt3.data(), texels);
    for (uint32_t texel : texels)
        EXPECT_EQ(texel, 0x550B0000u);
    // DXT5 alpha 255 and 0, every texel index 2: (6 * 255 + 3) / 7 = 219.
    std::vector<uint8_t> dxt5 = {0xFF, 0x00, 0x92, 0x24, 0x49, 0x92, 0x24, 0x49};
    dxt5.resize(16);
    std::copy(colours, colours + 8, dxt5.begin() + 8);
    DxtDecodeBlock(D3DFMT_DXT5, dxt5.data(), texels);
    for (uint32_t texel : texels)
        EXPECT_EQ(texel, 0xDB0B0000u);
    // A 5 x 2 DXT1 level: two blocks in a row; texels outside the level are not written.
    const uint8_t blocks[16] = {0x00, 0x10, 0x00, 0x00, 0,    0,    0,    0,
                                0x00, 0x00, 0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<uint32_t> argb(5 * 3, 0x12345678);
    DxtDecodeLevel(D3DFMT_DXT1, blocks, 16, 5, 2, argb.data(), 5);
    EXPECT_EQ(argb[0], 0xFF100000u);
    EXPECT_EQ(argb[3], 0xFF100000u);
    EXPECT_EQ(argb[4], 0x00000000u) << "second block, three-colour mode, index 3";
    EXPECT_EQ(argb[9], 0x00000000u);
    for (size_t i = 10; i < argb.size(); ++i)
        EXPECT_EQ(argb[i], 0x12345678u) << "row 2 lies outside the level";
    EXPECT_EQ(DxtBlockBytes(D3DFMT_DXT1), 8u);
    EXPECT_EQ(DxtBlockBytes(D3DFMT_DXT5), 16u);
}
