// Every image of the public corpus (DDS, BMP, TGA, PNG, JPEG) either decodes or is refused
// with a clear reason; decoded pixels are compared with the reference pictures that came
// with the files, read by libpng.
#include "image_test_util.h"
#include "x_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

struct Reference {
    const char* file;
    const char* reference;
    int tolerance; // largest allowed difference of any channel
    D3DFORMAT format;
};

// DXT references come from other decoders, which round the interpolated colours their own
// way, hence a small tolerance there. The bgr15 reference widens 5-bit channels by
// truncating (v * 255 / 31) where the loader replicates bits as the hardware does, and the
// bmpsuite pictures of the 8-bit files carry a palette that differs by one in a few entries;
// everything else must match exactly.
const Reference REFERENCES[] = {
    {"dds/DX9 BC1_UNORM.dds", "dds/ref/DX9 BC1_UNORM.dds.824ac5cc.png", 2, D3DFMT_DXT1},
    {"dds/DX9 BC2_UNORM.dds", "dds/ref/DX9 BC2_UNORM.dds.b7d5294a.png", 2, D3DFMT_DXT3},
    {"dds/DX9 BC3_UNORM.dds", "dds/ref/DX9 BC3_UNORM.dds.c281c773.png", 2, D3DFMT_DXT5},
    {"dds/DX9 B5G6R5_UNORM.dds", "dds/ref/DX9 B5G6R5_UNORM.dds.c601440.png", 0, D3DFMT_R5G6B5},
    {"dds/DX9 B5G5R5A1_UNORM.dds", "dds/ref/DX9 B5G5R5A1_UNORM.dds.d67c014a.png", 0,
     D3DFMT_A1R5G5B5},
    {"dds/DX9 B8G8R8X8_UNORM.dds", "dds/ref/DX9 B8G8R8X8_UNORM.dds.21815699.png", 0,
     D3DFMT_X8R8G8B8},
    {"dds/DX9 R8G8B8A8_UNORM.dds", "dds/ref/DX9 R8G8B8A8_UNORM.dds.2b07234b.png", 0,
     D3DFMT_A8R8G8B8},
    {"dds/24-bit-uncompressed-odd.dds", "dds/ref/24-bit-uncompressed-odd.dds.7fd91bb9.png", 0,
     D3DFMT_R8G8B8},
    {"dds/restricted-header.dds", "dds/ref/restricted-header.dds.d67c014a.png", 0, D3DFMT_A1R5G5B5},
    {"dds/DXGI_FORMAT_R8G8B8A8_UNORM_SRGB.dds", "dds/ref/DXGI_FORMAT_R8G8B8A8_UNORM_SRGB.png", 0,
     D3DFMT_A8R8G8B8},
    {"dds/dxt1-rgb-4bbp-noalpha_MipMaps-1.dds", "dds/ref/dxt1-rgb-4bbp-noalpha_MipMaps-1.png", 2,
     D3DFMT_DXT1},
    {"dds/dxt3-argb-8bbp-explicitalpha_MipMaps-1.dds",
     "dds/ref/dxt3-argb-8bbp-explicitalpha_MipMaps-1.png", 2, D3DFMT_DXT3},
    {"dds/dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.dds",
     "dds/ref/dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.png", 2, D3DFMT_DXT5},
    {"dds/hopper.dds", "dds/ref/hopper.png", 0, D3DFMT_R8G8B8},
    {"dds/bgr15.dds", "dds/ref/bgr15.png", 1, D3DFMT_X1R5G5B5},
    {"dds/uncompressed_l.dds", "dds/ref/uncompressed_l.png", 0, D3DFMT_L8},
    {"img/pal1.bmp", "img/ref/pal1.png", 0, D3DFMT_X8R8G8B8},
    {"img/pal4.bmp", "img/ref/pal4.png", 0, D3DFMT_X8R8G8B8},
    {"img/pal4rle.bmp", "img/ref/pal4.png", 0, D3DFMT_X8R8G8B8},
    {"img/pal8.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8-0.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8rle.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8topdown.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8os2.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8os2v2.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8v4.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8v5.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8offs.bmp", "img/ref/pal8.png", 1, D3DFMT_X8R8G8B8},
    {"img/pal8w125.bmp", "img/ref/pal8w125.png", 1, D3DFMT_X8R8G8B8},
    {"img/rgb16.bmp", "img/ref/rgb16.png", 0, D3DFMT_X8R8G8B8},
    {"img/rgb16-565.bmp", "img/ref/rgb16-565.png", 0, D3DFMT_X8R8G8B8},
    {"img/rgb16-565pal.bmp", "img/ref/rgb16-565.png", 0, D3DFMT_X8R8G8B8},
    {"img/rgb24.bmp", "img/ref/rgb24.png", 0, D3DFMT_X8R8G8B8},
    {"img/rgb24pal.bmp", "img/ref/rgb24.png", 0, D3DFMT_X8R8G8B8},
    {"img/rgb32.bmp", "img/ref/rgb24.png", 0, D3DFMT_X8R8G8B8},
    {"img/rgb32bf.bmp", "img/ref/rgb24.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_rgb_bl_raw.tga", "img/ref/200x32_rgb.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_rgb_bl_rle.tga", "img/ref/200x32_rgb.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_rgb_tl_raw.tga", "img/ref/200x32_rgb.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_rgba_bl_raw.tga", "img/ref/200x32_rgba.png", 0, D3DFMT_A8R8G8B8},
    {"img/200x32_rgba_tl_rle.tga", "img/ref/200x32_rgba.png", 0, D3DFMT_A8R8G8B8},
    {"img/200x32_l_bl_raw.tga", "img/ref/200x32_l.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_l_tl_raw.tga", "img/ref/200x32_l.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_l_tl_rle.tga", "img/ref/200x32_l.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_la_bl_rle.tga", "img/ref/200x32_la.png", 0, D3DFMT_A8R8G8B8},
    {"img/200x32_la_tl_raw.tga", "img/ref/200x32_la.png", 0, D3DFMT_A8R8G8B8},
    {"img/200x32_p_bl_raw.tga", "img/ref/200x32_p.png", 0, D3DFMT_X8R8G8B8},
    {"img/200x32_p_tl_rle.tga", "img/ref/200x32_p.png", 0, D3DFMT_X8R8G8B8},
    {"img/1x1_l_bl_raw.tga", "img/ref/1x1_l.png", 0, D3DFMT_X8R8G8B8},
    {"img/1x1_l_tl_rle.tga", "img/ref/1x1_l.png", 0, D3DFMT_X8R8G8B8},
    {"img/cross_scan_line.tga", "img/ref/cross_scan_line.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn0g01.png", "img/ref/basn0g01.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn0g02.png", "img/ref/basn0g02.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn0g04.png", "img/ref/basn0g04.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn0g08.png", "img/ref/basn0g08.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn2c08.png", "img/ref/basn2c08.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn3p01.png", "img/ref/basn3p01.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn3p02.png", "img/ref/basn3p02.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn3p04.png", "img/ref/basn3p04.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn3p08.png", "img/ref/basn3p08.png", 0, D3DFMT_X8R8G8B8},
    {"img/basn4a08.png", "img/ref/basn4a08.png", 0, D3DFMT_A8R8G8B8},
    {"img/basn6a08.png", "img/ref/basn6a08.png", 0, D3DFMT_A8R8G8B8},
    {"img/basi0g08.png", "img/ref/basi0g08.png", 0, D3DFMT_X8R8G8B8},
    {"img/basi2c08.png", "img/ref/basi2c08.png", 0, D3DFMT_X8R8G8B8},
    {"img/basi3p08.png", "img/ref/basi3p08.png", 0, D3DFMT_X8R8G8B8},
    {"img/basi6a08.png", "img/ref/basi6a08.png", 0, D3DFMT_A8R8G8B8},
};

bool DecodeFile(const std::string& relative, DecodedImage& image, std::string& error) {
    const std::vector<uint8_t> bytes = ReadBytes(CorpusPath(relative));
    return DecodeImage(bytes.data(), bytes.size(), image, error);
}

TEST(ImageCorpus, DecodedPixelsMatchTheReferencePictures) {
    for (const Reference& r : REFERENCES) {
        DecodedImage image;
        std::string error;
        ASSERT_TRUE(DecodeFile(r.file, image, error)) << r.file << ": " << error;
        EXPECT_EQ(image.format, r.format) << r.file;
        RgbaPicture expected;
        ASSERT_TRUE(ReadReferencePng(CorpusPath(r.reference), expected)) << r.reference;
        const RgbaPicture actual = ToRgba(image);
        ASSERT_EQ(actual.width, expected.width) << r.file;
        ASSERT_EQ(actual.height, expected.height) << r.file;
        int worst = 0;
        size_t worstAt = 0;
        for (size_t i = 0; i < actual.rgba.size(); ++i) {
            const int difference = std::abs(actual.rgba[i] - expected.rgba[i]);
            if (difference > worst) {
                worst = difference;
                worstAt = i;
            }
        }
        EXPECT_LE(worst, r.tolerance)
            << r.file << ": pixel " << worstAt / 4 << " channel " << worstAt % 4 << " is "
            << int(actual.rgba[worstAt]) << ", reference " << int(expected.rgba[worstAt]);
    }
}

struct Refusal {
    const char* file;
    const char* reason;
};

// Files outside what the loader reads, and broken files; each names what is wrong.
const Refusal REFUSALS[] = {
    {"dds/DX9 R16G16B16A16_FLOAT.dds", "unsupported DDS pixel format (Direct3D format 113)"},
    {"dds/unimplemented_pixel_format.dds", "unsupported DDS pixel format (Direct3D format 0)"},
    {"dds/timeout-041dd17dfde800360a47a172269df127af138c6b.dds", "bad DDS header sizes"},
    {"dds/timeout-c60a3d7314213624607bfb3e38d551a8b24a7435.dds", "DDS image too large"},
    {"img/badbitcount.bmp", "unsupported BMP bit count 30000"},
    {"img/badrle.bmp", "BMP RLE run passes the end of a row"},
    {"img/reallybig.bmp", "BMP image too large"},
    {"img/rgb24jpeg.bmp", "embedded JPEG or PNG"},
    {"img/rletopdown.bmp", "top-down BMP cannot be RLE compressed"},
    {"img/shortfile.bmp", "truncated BMP pixel data"},
    {"img/cross_scan_line_truncated.tga", "truncated TGA run-length data"},
    {"img/p_8.tga", "colour map"},
    {"img/iphone_basi0g01.png", "bad PNG: CgBI"},
    {"img/xc1n0g08.png", "bad PNG: Invalid IHDR data"},
    {"img/xcrn0g04.png", "corrupt PNG signature"},
    {"img/xcsn0g01.png", "bad PNG: IDAT: CRC error"},
    {"img/xd0n2c08.png", "bad PNG: Invalid IHDR data"},
    {"img/xdtn0g01.png", "bad PNG"},
    {"img/xhdn0g08.png", "bad PNG: IHDR: CRC error"},
    {"img/xs1n0g01.png", "corrupt PNG signature"},
    {"img/xs4n0g01.png", "not a recognised image format"},
    {"img/truncated_jpeg.jpg", "truncated JPEG data"},
};

TEST(ImageCorpus, EveryOtherFileLoadsOrIsRefusedWithAReason) {
    size_t checked = 0;
    for (const char* folder : {"dds", "img"}) {
        for (const auto& entry : std::filesystem::directory_iterator(CorpusPath(folder))) {
            if (!entry.is_regular_file())
                continue;
            const std::string relative =
                std::string(folder) + "/" + entry.path().filename().string();
            DecodedImage image;
            std::string error;
            const bool ok = DecodeFile(relative, image, error);
            const Refusal* refusal = nullptr;
            for (const Refusal& r : REFUSALS)
                if (relative == r.file)
                    refusal = &r;
            ++checked;
            if (refusal != nullptr) {
                EXPECT_FALSE(ok) << relative;
                EXPECT_NE(error.find(refusal->reason), std::string::npos)
                    << relative << ": " << error;
                continue;
            }
            ASSERT_TRUE(ok) << relative << ": " << error;
            ASSERT_FALSE(image.levels.empty());
            const ImageLevel& top = image.levels.front();
            uint32_t pitch = 0, rows = 0;
            ASSERT_TRUE(LevelLayout(image.format, top.width, top.height, pitch, rows)) << relative;
            EXPECT_EQ(top.pitch, pitch) << relative;
            EXPECT_EQ(top.bytes.size(), static_cast<size_t>(pitch) * rows) << relative;
        }
    }
    EXPECT_EQ(checked, 142u); // 39 DDS and 103 other images
}

TEST(ImageCorpus, DdsKeepsTheFileMipChainAndSpecialLayouts) {
    struct Case {
        const char* file;
        size_t levels;
        uint32_t width, height;
        D3DFORMAT format;
    };
    const Case cases[] = {
        {"dds/DwarfHead.dds", 9, 256, 256, D3DFMT_DXT1},        // full chain
        {"dds/lizard_diff.dds", 4, 1024, 1024, D3DFMT_DXT5},    // partial chain
        {"dds/RifleStock1Bump.dds", 10, 747, 600, D3DFMT_DXT1}, // not a multiple of 4
        {"dds/Noise2D.dds", 7, 64, 64, D3DFMT_A8R8G8B8},
        {"dds/bump_NM_height_density.dds", 8, 128, 128, D3DFMT_A8R8G8B8}, // A8B8G8R8 converted
        {"dds/palette.dds", 1, 200, 150, D3DFMT_X8R8G8B8}, // header claims 8 levels, has 1
        {"dds/DXT1 Pretoria Gardens DX9.dds", 8, 128, 128, D3DFMT_DXT1}, // first cube face
        {"dds/smallnoise3d.dds", 1, 32, 32, D3DFMT_A8R8G8B8},            // first volume slice
        {"dds/caust00.dds", 1, 64, 64, D3DFMT_DXT1},
    };
    for (const Case& c : cases) {
        DecodedImage image;
        std::string error;
        ASSERT_TRUE(DecodeFile(c.file, image, error)) << c.file << ": " << error;
        EXPECT_EQ(image.levels.size(), c.levels) << c.file;
        EXPECT_EQ(image.levels[0].width, c.width) << c.file;
        EXPECT_EQ(image.levels[0].height, c.height) << c.file;
        EXPECT_EQ(image.format, c.format) << c.file;
        for (size_t i = 1; i < image.levels.size(); ++i) {
            EXPECT_EQ(image.levels[i].width, std::max(1u, c.width >> i)) << c.file;
            EXPECT_EQ(image.levels[i].height, std::max(1u, c.height >> i)) << c.file;
        }
    }
    // Only the first face is kept: 128x128 DXT1 is 32x32 blocks of 8 bytes.
    DecodedImage cube;
    std::string error;
    ASSERT_TRUE(DecodeFile("dds/DXT1 Pretoria Gardens DX9.dds", cube, error));
    EXPECT_EQ(cube.levels[0].bytes.size(), 8192u);
}

TEST(ImageCorpus, JpegDecodesCloseToTheSamePictureInPng) {
    // hopper.jpg is the hopper picture also stored losslessly as a PNG; a correct decode
    // differs from it only by compression noise.
    DecodedImage jpeg;
    std::string error;
    ASSERT_TRUE(DecodeFile("img/hopper.jpg", jpeg, error)) << error;
    RgbaPicture reference;
    ASSERT_TRUE(ReadReferencePng(CorpusPath("dds/ref/hopper.png"), reference));
    const RgbaPicture actual = ToRgba(jpeg);
    ASSERT_EQ(actual.width, reference.width);
    double total = 0;
    for (size_t i = 0; i < actual.rgba.size(); ++i)
        total += std::abs(actual.rgba[i] - reference.rgba[i]);
    EXPECT_LT(total / actual.rgba.size(), 6.0);

    DecodedImage gray;
    ASSERT_TRUE(DecodeFile("img/hopper_gray.jpg", gray, error)) << error;
    const RgbaPicture grayPixels = ToRgba(gray);
    for (size_t i = 0; i < grayPixels.rgba.size(); i += 4) {
        ASSERT_EQ(grayPixels.rgba[i], grayPixels.rgba[i + 1]);
        ASSERT_EQ(grayPixels.rgba[i], grayPixels.rgba[i + 2]);
    }
    // The CMYK sample shows the same picture as the RGB sample.
    DecodedImage cmyk, rgb;
    ASSERT_TRUE(DecodeFile("img/pil_sample_cmyk.jpg", cmyk, error)) << error;
    ASSERT_TRUE(DecodeFile("img/pil_sample_rgb.jpg", rgb, error)) << error;
    const RgbaPicture a = ToRgba(cmyk), b = ToRgba(rgb);
    ASSERT_EQ(a.rgba.size(), b.rgba.size());
    total = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i)
        total += std::abs(a.rgba[i] - b.rgba[i]);
    EXPECT_LT(total / a.rgba.size(), 12.0);
}

// Every truncation of one file of each type is refused or decoded without reading past the
// end (the sanitizer build checks the reads); random corruption likewise.
TEST(ImageCorpus, TruncatedAndCorruptImagesAreHandledSafely) {
    for (const char* file :
         {"dds/DX9 BC3_UNORM.dds", "dds/DX9 B5G6R5_UNORM.dds", "img/pal8rle.bmp", "img/pal4rle.bmp",
          "img/rgb16-565.bmp", "img/200x32_p_tl_rle.tga", "img/200x32_rgba_tl_rle.tga",
          "img/basi6a08.png", "img/app13.jpg", "img/hopper.jpg"}) {
        const std::vector<uint8_t> bytes = ReadBytes(CorpusPath(file));
        ASSERT_FALSE(bytes.empty()) << file;
        const size_t step = std::max<size_t>(1, bytes.size() / 400);
        for (size_t length = 0; length < bytes.size(); length += step) {
            std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(length));
            DecodedImage image;
            std::string error;
            if (!DecodeImage(prefix.data(), prefix.size(), image, error)) {
                EXPECT_FALSE(error.empty()) << file << " prefix " << length;
            }
        }
        uint32_t seed = 99;
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> corrupt = bytes;
            for (int k = 0; k < 4; ++k) {
                seed = seed * 1664525u + 1013904223u;
                corrupt[(seed >> 8) % corrupt.size()] = static_cast<uint8_t>(seed >> 24);
            }
            DecodedImage image;
            std::string error;
            if (DecodeImage(corrupt.data(), corrupt.size(), image, error)) {
                EXPECT_FALSE(image.levels.empty());
            }
        }
    }
}

} // namespace
