// Pixel format conversion by hand-computed values: DXT palettes in both DXT1 modes, DXT3 and
// DXT5 alpha, 16-bit channel widening, 2x2 averaging, and DXT encoding round trips.
#include "d3dx/image_format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ImageLevel BlockLevel(const std::vector<uint8_t>& block) {
    ImageLevel level;
    level.width = 4;
    level.height = 4;
    level.pitch = static_cast<uint32_t>(block.size());
    level.bytes = block;
    return level;
}

uint32_t At(const ImageLevel& argb, uint32_t x, uint32_t y) {
    uint32_t value;
    std::memcpy(&value, argb.bytes.data() + y * argb.pitch + 4 * x, 4);
    return value;
}

TEST(ImageFormat, DecodesDxtPalettesByTheirModes) {
    // Colour 0 red (0xF800), colour 1 blue (0x001F), first row indices 0, 1, 2, 3.
    const ImageLevel four =
        ConvertToArgb(D3DFMT_DXT1, BlockLevel({0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0}));
    EXPECT_EQ(At(four, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(four, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(At(four, 2, 0), 0xFFAA0055u); // (2 * 255 + 0 + 1) / 3 = 170, (0 + 255 + 1) / 3 = 85
    EXPECT_EQ(At(four, 3, 0), 0xFF5500AAu);
    EXPECT_EQ(At(four, 0, 1), 0xFFFF0000u); // index 0 for the other rows
    // Colours swapped: three-colour mode, index 2 the midpoint rounded down ((0 + 255) / 2 =
    // 127), index 3 transparent black.
    const ImageLevel three =
        ConvertToArgb(D3DFMT_DXT1, BlockLevel({0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0}));
    EXPECT_EQ(At(three, 2, 0), 0xFF7F007Fu);
    EXPECT_EQ(At(three, 3, 0), 0x00000000u);
    // The same colours in a DXT3 colour block stay in four-colour mode; explicit alpha 0x0
    // and 0xF for the first two texels.
    std::vector<uint8_t> dxt3(16, 0);
    dxt3[0] = 0xF0;
    const uint8_t colours[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0};
    std::memcpy(dxt3.data() + 8, colours, 8);
    const ImageLevel explicitAlpha = ConvertToArgb(D3DFMT_DXT3, BlockLevel(dxt3));
    EXPECT_EQ(At(explicitAlpha, 0, 0), 0x000000FFu);
    EXPECT_EQ(At(explicitAlpha, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(At(explicitAlpha, 3, 0) >> 24, 0u);
    EXPECT_EQ(At(explicitAlpha, 3, 0) & 0xFFFFFF, 0xAA0055u);
    // DXT5 alpha 255 and 0: index 0 = 255, 1 = 0, 2 = (6 * 255 + 3) / 7 = 219, 7 = 36.
    std::vector<uint8_t> dxt5(16, 0);
    dxt5[0] = 255;
    dxt5[1] = 0;
    // Indices 0, 1, 2, 7 for the first four texels: bits 000 001 010 111.
    const uint32_t indices = 0u | 1u << 3 | 2u << 6 | 7u << 9;
    dxt5[2] = static_cast<uint8_t>(indices);
    dxt5[3] = static_cast<uint8_t>(indices >> 8);
    std::memcpy(dxt5.data() + 8, colours, 8);
    const ImageLevel interpolated = ConvertToArgb(D3DFMT_DXT5, BlockLevel(dxt5));
    EXPECT_EQ(At(interpolated, 0, 0) >> 24, 255u);
    EXPECT_EQ(At(interpolated, 1, 0) >> 24, 0u);
    EXPECT_EQ(At(interpolated, 2, 0) >> 24, 219u);
    EXPECT_EQ(At(interpolated, 3, 0) >> 24, 36u);
}

TEST(ImageFormat, WidensAndPacksSixteenBitChannels) {
    ImageLevel level;
    level.width = 3;
    level.height = 1;
    level.pitch = 6;
    // R5G6B5 white, pure green, and red 16 of 31.
    level.bytes = {0xFF, 0xFF, 0xE0, 0x07, 0x00, 0x80};
    const ImageLevel argb = ConvertToArgb(D3DFMT_R5G6B5, level);
    EXPECT_EQ(At(argb, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(argb, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(At(argb, 2, 0), 0xFF840000u); // 16 * 255 / 31 = 131.6 -> 132
    ImageLevel packed;
    ASSERT_TRUE(ConvertFromArgb(D3DFMT_R5G6B5, argb, packed));
    EXPECT_EQ(packed.bytes, level.bytes);
    EXPECT_FALSE(ConvertFromArgb(D3DFMT_DXT1, argb, packed));
}

TEST(ImageFormat, HalvesByAveragingTwoByTwo) {
    ImageLevel level = MakeArgbLevel(3, 2);
    const uint32_t texels[6] = {0xFF000000, 0x00FFFFFF, 0x12345678, 0xFF102030, 0xFF000000, 0};
    std::memcpy(level.bytes.data(), texels, sizeof texels);
    const ImageLevel half = HalveArgb(level);
    ASSERT_EQ(half.width, 1u);
    ASSERT_EQ(half.height, 1u);
    // The 2x2 at the top left: alpha (255 + 0 + 255 + 255) / 4 = 191.25 -> 191,
    // red (0 + 255 + 16 + 0) / 4 = 67.75 -> 68, green (0 + 255 + 32 + 0) / 4 = 71.75 -> 72,
    // blue (0 + 255 + 48 + 0) / 4 = 75.75 -> 76.
    EXPECT_EQ(At(half, 0, 0), 0xBF44484Cu);
    EXPECT_EQ(FullMipCount(129, 66), 8u);
    EXPECT_EQ(FullMipCount(1, 1), 1u);
}

TEST(ImageFormat, EncodesDxtBlocksThatDecodeBack) {
    // Red, blue and the two thirds between them are exact in a four-colour block.
    ImageLevel argb = MakeArgbLevel(4, 4);
    const uint32_t palette[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    for (uint32_t i = 0; i < 16; ++i)
        std::memcpy(argb.bytes.data() + 4 * i, &palette[(i * 7) % 4], 4);
    ImageLevel packed;
    ASSERT_TRUE(EncodeBlocks(D3DFMT_DXT1, argb, packed));
    ASSERT_EQ(packed.bytes.size(), 8u);
    EXPECT_EQ(ConvertToArgb(D3DFMT_DXT1, packed).bytes, argb.bytes);

    // Transparent texels survive in DXT1's three-colour mode; DXT5 keeps alpha 0 and 255.
    const uint32_t holes[2] = {0xFFFF0000, 0x00000000};
    for (uint32_t i = 0; i < 16; ++i)
        std::memcpy(argb.bytes.data() + 4 * i, &holes[i % 2], 4);
    ASSERT_TRUE(EncodeBlocks(D3DFMT_DXT1, argb, packed));
    EXPECT_EQ(ConvertToArgb(D3DFMT_DXT1, packed).bytes, argb.bytes);
    ASSERT_TRUE(EncodeBlocks(D3DFMT_DXT5, argb, packed));
    ASSERT_EQ(packed.bytes.size(), 16u);
    const ImageLevel back = ConvertToArgb(D3DFMT_DXT5, packed);
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(At(back, i % 4, i / 4) >> 24, (holes[i % 2] >> 24)) << i;

    // A 2x1 level fills its one block from its edge texels.
    ImageLevel small = MakeArgbLevel(2, 1);
    const uint32_t two[2] = {0xFF00FF00, 0xFF00FF00};
    std::memcpy(small.bytes.data(), two, 8);
    ASSERT_TRUE(EncodeBlocks(D3DFMT_DXT3, small, packed));
    EXPECT_EQ(ConvertToArgb(D3DFMT_DXT3, packed).bytes, small.bytes);
}

} // namespace
