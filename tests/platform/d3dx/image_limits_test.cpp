// Hostile image headers, built here byte by byte: colour maps and run-length packets that
// point past the file, and sizes no file of that length can hold or no texture needs. Each is
// refused with one line before the reader allocates for it (run under the sanitizer build).
#include "d3dx/image_decoded.h"
#include "x_test_util.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

// An 18-byte TGA header; the colour map (if any) and pixels are appended by the caller.
std::vector<uint8_t> TgaHeader(uint8_t type, uint32_t width, uint32_t height, uint8_t bits,
                               uint32_t mapLength = 0, uint8_t mapBits = 0) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[1] = mapLength > 0 ? 1 : 0;
    bytes[2] = type;
    Put16(bytes, 5, mapLength);
    bytes[7] = mapBits;
    Put16(bytes, 12, width);
    Put16(bytes, 14, height);
    bytes[16] = bits;
    return bytes;
}

void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& reason) {
    DecodedImage image;
    std::string error;
    EXPECT_FALSE(DecodeImage(bytes.data(), bytes.size(), image, error)) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

TEST(ImageLimits, TgaColourMapsThatRunPastTheFileOrTheMapAreRefused) {
    // A 2x1 colour-mapped image whose four 24-bit map entries need 12 bytes; the file has 6.
    std::vector<uint8_t> shortMap = TgaHeader(1, 2, 1, 8, 4, 24);
    shortMap.resize(shortMap.size() + 6, 0x40);
    ExpectRefused(shortMap, "truncated TGA colour map");

    // A whole map of two entries, then pixel indices 1 and 7: 7 is past the map.
    std::vector<uint8_t> outside = TgaHeader(1, 2, 1, 8, 2, 24);
    outside.insert(outside.end(), {1, 2, 3, 4, 5, 6, 1, 7});
    ExpectRefused(outside, "TGA pixel refers outside the colour map");

    // The same through a run-length packet repeating index 9.
    std::vector<uint8_t> runOutside = TgaHeader(9, 2, 1, 8, 2, 24);
    runOutside.insert(runOutside.end(), {1, 2, 3, 4, 5, 6, 0x81, 9});
    ExpectRefused(runOutside, "TGA pixel refers outside the colour map");

    // Indices within the map decode to its colours.
    std::vector<uint8_t> good = TgaHeader(1, 2, 1, 8, 2, 24);
    good.insert(good.end(), {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 1, 0});
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(good.data(), good.size(), image, error)) << error;
    uint32_t first, second;
    std::memcpy(&first, image.levels[0].bytes.data(), 4);
    std::memcpy(&second, image.levels[0].bytes.data() + 4, 4);
    EXPECT_EQ(first, 0xFF605040u);
    EXPECT_EQ(second, 0xFF302010u);
}

TEST(ImageLimits, TgaPacketsThatRunPastTheImageOrTheFileAreRefused) {
    // 2x2 = 4 pixels, and a repeat packet of 5.
    std::vector<uint8_t> pastImage = TgaHeader(10, 2, 2, 24);
    pastImage.insert(pastImage.end(), {0x84, 1, 2, 3, 0x80, 1, 2, 3});
    ExpectRefused(pastImage, "TGA run passes the end of the image");

    // A raw packet of 4 pixels (12 bytes) of which the file holds 7.
    std::vector<uint8_t> rawPastFile = TgaHeader(10, 2, 2, 24);
    rawPastFile.insert(rawPastFile.end(), {0x03, 1, 2, 3, 4, 5, 6, 7});
    ExpectRefused(rawPastFile, "truncated TGA run-length data");

    // A second repeat packet whose pixel is cut off after its first byte.
    std::vector<uint8_t> repeatPastFile = TgaHeader(10, 2, 1, 24);
    repeatPastFile.insert(repeatPastFile.end(), {0x80, 1, 2, 3, 0x80, 1});
    ExpectRefused(repeatPastFile, "truncated TGA run-length data");

    // Uncompressed: 4 pixels need 12 bytes.
    std::vector<uint8_t> rawShort = TgaHeader(2, 2, 2, 24);
    rawShort.resize(rawShort.size() + 11, 0);
    ExpectRefused(rawShort, "truncated TGA pixel data");

    // One byte per pixel is no true-colour depth: reading it as one would pass the file.
    std::vector<uint8_t> eightBit = TgaHeader(2, 2, 2, 8);
    eightBit.resize(eightBit.size() + 4, 0);
    ExpectRefused(eightBit, "unsupported TGA true-colour bit count 8");
}

TEST(ImageLimits, SizesNoFileOfThatLengthCanHoldAreRefusedBeforeAllocating) {
    // 65535 x 65535 run-length TGA from 30 bytes: too large for any texture.
    std::vector<uint8_t> hugeTga = TgaHeader(10, 65535, 65535, 24);
    hugeTga.resize(30, 0);
    ExpectRefused(hugeTga, "TGA image too large (65535x65535)");
    // 4000 x 4000 is within the limits, but 16 million pixels need more than 30 bytes.
    std::vector<uint8_t> longTga = TgaHeader(10, 4000, 4000, 24);
    longTga.resize(30, 0);
    ExpectRefused(longTga, "truncated TGA run-length data");

    // A 4 KB BMP asking for 14720 x 16384: larger than any texture.
    std::vector<uint8_t> bmp(4096, 0);
    bmp[0] = 'B', bmp[1] = 'M';
    Put32(bmp, 10, 54);
    Put32(bmp, 14, 40);
    Put32(bmp, 18, 14720);
    Put32(bmp, 22, 16384);
    Put16(bmp, 28, 24);
    ExpectRefused(bmp, "BMP image too large (14720x16384)");
    // 4000 x 4000 at 24 bits needs 48 MB of rows, not 4 KB.
    Put32(bmp, 18, 4000);
    Put32(bmp, 22, 4000);
    ExpectRefused(bmp, "truncated BMP pixel data");
    // RLE may skip pixels, so only the pixel count bounds it: 8192 x 8192 is too many.
    Put32(bmp, 18, 8192);
    Put32(bmp, 22, 8192);
    Put16(bmp, 28, 8);
    Put32(bmp, 30, 1);
    ExpectRefused(bmp, "BMP image too large (8192x8192)");

    // DDS: 8192 x 8192 DXT1 is within each side's limit but over the pixel count.
    std::vector<uint8_t> dds(128 + 64, 0);
    dds[0] = 'D', dds[1] = 'D', dds[2] = 'S', dds[3] = ' ';
    Put32(dds, 4, 124);
    Put32(dds, 12, 8192);
    Put32(dds, 16, 8192);
    Put32(dds, 76, 32);
    Put32(dds, 80, 0x4);
    dds[84] = 'D', dds[85] = 'X', dds[86] = 'T', dds[87] = '1';
    ExpectRefused(dds, "DDS image too large (8192x8192)");
    Put32(dds, 12, 1024);
    Put32(dds, 16, 1024);
    ExpectRefused(dds, "truncated DDS pixel data");
}

// A PNG of one IHDR chunk (and a tiny IDAT) whose size is set here.
std::vector<uint8_t> PngWithSize(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const std::vector<uint8_t>& body) {
        const uint32_t length = static_cast<uint32_t>(body.size());
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(length >> shift));
        std::vector<uint8_t> crcPart(type, type + 4);
        crcPart.insert(crcPart.end(), body.begin(), body.end());
        bytes.insert(bytes.end(), crcPart.begin(), crcPart.end());
        const uint32_t crc =
            static_cast<uint32_t>(crc32(0, crcPart.data(), static_cast<uInt>(crcPart.size())));
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(crc >> shift));
    };
    std::vector<uint8_t> ihdr(13, 0);
    for (int i = 0; i < 4; ++i) {
        ihdr[i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        ihdr[4 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    ihdr[8] = 8; // 8-bit
    ihdr[9] = 2; // RGB
    chunk("IHDR", ihdr);
    chunk("IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    chunk("IEND", {});
    return bytes;
}

TEST(ImageLimits, CompressedImagesAreBoundedByTheirPixelCountAndFileLength) {
    ExpectRefused(PngWithSize(16384, 16384), "PNG image too large (16384x16384)");
    // 3000 x 3000 RGB is 27 MB of rows; deflate cannot pack that into a 70-byte file.
    ExpectRefused(PngWithSize(3000, 3000), "PNG file too short for its 3000x3000 pixels");

    // A real JPEG with its frame header rewritten to 20000 x 20000.
    std::vector<uint8_t> jpeg = ReadBytes(CorpusPath("img/app13.jpg"));
    ASSERT_GT(jpeg.size(), 4u);
    bool patched = false;
    for (size_t i = 2; i + 9 < jpeg.size() && !patched; ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = 20000 >> 8, jpeg[i + 6] = 20000 & 0xFF;
            jpeg[i + 7] = 20000 >> 8, jpeg[i + 8] = 20000 & 0xFF;
            patched = true;
        }
    ASSERT_TRUE(patched);
    ExpectRefused(jpeg, "JPEG image too large (20000x20000)");

    // A 16 x 16 progressive JPEG with one of its scans repeated 300 times: each scan is a pass
    // over the whole picture, so a large one with thousands would take minutes.
    ExpectRefused(ReadBytes(CorpusPath("regressions/jpeg/many-scans.jpg")),
                  "JPEG has more than 256 scans");
}

} // namespace
