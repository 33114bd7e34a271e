// D3DXCreateTextureFromFileA against the in-memory device: formats kept or widened, the
// file's mip levels copied, missing levels built by 2x2 averaging, failures named.
#include "support/fake_device.h"
#include "support/temp_path.h"
#include "x_test_util.h"

#include "win32/win32_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

FakeTexture* Load(FakeDevice& device, const std::string& path) {
    LPDIRECT3DTEXTURE8 texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileA(&device, path.c_str(), &texture);
    EXPECT_EQ(hr, D3D_OK) << path << ": " << Win32GetErrorText();
    return static_cast<FakeTexture*>(texture);
}

uint32_t TexelArgb(const FakeTexture& texture, UINT level, UINT x, UINT y) {
    uint32_t value;
    std::memcpy(&value, texture.levels[level].data() + y * texture.pitches[level] + 4 * x, 4);
    return value;
}

TEST(D3DXTexture, PhotoFormatsGetAFullChainOfAveragedLevels) {
    // A 2x2 24-bit TGA, bottom row first: blue, white / red, green.
    const uint8_t tga[18 + 12] = {0, 0,  2, 0,   0, 0, 0,   0,   0,   0, 0, 0,   2, 0,   2,
                                  0, 24, 0, 255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0};
    const std::filesystem::path path = TestTempPath("2x2.tga");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tga), sizeof tga);
    FakeDevice device;
    FakeTexture* texture = Load(device, path.string());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(texture->pool, D3DPOOL_MANAGED);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(TexelArgb(*texture, 0, 0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(TexelArgb(*texture, 0, 1, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(TexelArgb(*texture, 0, 0, 1) & 0xFFFFFF, 0x0000FFu);
    // (255 + 0 + 0 + 255) / 4 = 127.5 in every channel, rounded up.
    EXPECT_EQ(TexelArgb(*texture, 1, 0, 0) & 0xFFFFFF, 0x808080u);
    texture->Release();

    texture = Load(device, CorpusPath("img/basn6a08.png"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 6u);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(5, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Height, 1u);
    texture->Release();
}

TEST(D3DXTexture, DdsKeepsItsFormatAndItsOwnLevels) {
    FakeDevice device;
    const std::vector<uint8_t> file = ReadBytes(CorpusPath("dds/DwarfHead.dds"));
    FakeTexture* texture = Load(device, CorpusPath("dds/DwarfHead.dds"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_DXT1);
    ASSERT_EQ(texture->GetLevelCount(), 9u);
    // Level 0 is the 32768 bytes after the header, level 8 the last 8 bytes of the file.
    EXPECT_EQ(std::memcmp(texture->levels[0].data(), file.data() + 128, 32768), 0);
    EXPECT_EQ(std::memcmp(texture->levels[8].data(), file.data() + file.size() - 8, 8), 0);
    texture->Release();

    texture = Load(device, CorpusPath("dds/DX9 B5G6R5_UNORM.dds"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_R5G6B5);
    EXPECT_EQ(texture->GetLevelCount(), 8u);
    texture->Release();

    // No mips in the file: the generated levels stay in the file's 16-bit format.
    texture = Load(device, CorpusPath("dds/bgr15.dds"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_X1R5G5B5);
    EXPECT_EQ(texture->GetLevelCount(), 8u);
    EXPECT_EQ(texture->levels[7].size(), 2u);
    texture->Release();
}

TEST(D3DXTexture, CompressedFilesWithoutMipsStayCompressed) {
    FakeDevice device;
    FakeTexture* texture = Load(device, CorpusPath("dds/brass.dds"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_DXT1);
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    EXPECT_EQ(texture->levels[1].size(), 32u); // 8x8: four blocks
    EXPECT_EQ(texture->levels[4].size(), 8u);  // 1x1: one block
    texture->Release();
}

TEST(D3DXTexture, FallsBackToThirtyTwoBitsWhereTheFormatCannotBeKept) {
    FakeDevice device;
    // A device without DXT textures gets the decoded texels; DXT1 may be transparent.
    device.refusedFormats = {D3DFMT_DXT1};
    FakeTexture* texture = Load(device, CorpusPath("dds/brass.dds"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 5u);
    texture->Release();

    // A device without 24-bit textures gets X8R8G8B8; hopper.dds stores B, G, R bytes.
    device.refusedFormats = {D3DFMT_R8G8B8};
    const std::vector<uint8_t> file = ReadBytes(CorpusPath("dds/hopper.dds"));
    texture = Load(device, CorpusPath("dds/hopper.dds"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_X8R8G8B8);
    const uint32_t first = TexelArgb(*texture, 0, 0, 0);
    EXPECT_EQ(first & 0xFFFFFF,
              static_cast<uint32_t>(file[128] | file[129] << 8 | file[130] << 16));
    texture->Release();
}

TEST(D3DXTexture, ImagesLargerThanTheDeviceTakesAreReduced) {
    FakeDevice device;
    device.maxTextureSize = 64;
    // A DDS with its own chain starts at its first level that fits: 64x64 of 256x256.
    const std::vector<uint8_t> file = ReadBytes(CorpusPath("dds/DwarfHead.dds"));
    FakeTexture* texture = Load(device, CorpusPath("dds/DwarfHead.dds"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 64u);
    EXPECT_EQ(texture->format, D3DFMT_DXT1);
    EXPECT_EQ(texture->GetLevelCount(), 7u);
    // Level 2 of the file follows the 32768 + 8192 bytes of levels 0 and 1.
    EXPECT_EQ(std::memcmp(texture->levels[0].data(), file.data() + 128 + 32768 + 8192, 2048), 0);
    texture->Release();
    // Without a chain the picture is halved: 162x150 becomes 40x37.
    texture = Load(device, CorpusPath("img/pil123rgba.png"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 40u);
    EXPECT_EQ(texture->height, 37u);
    EXPECT_EQ(texture->format, D3DFMT_A8R8G8B8);
    texture->Release();
}

TEST(D3DXTexture, FailuresNameTheFileAndTheReason) {
    FakeDevice device;
    LPDIRECT3DTEXTURE8 texture = nullptr;
    EXPECT_LT(D3DXCreateTextureFromFileA(&device, "data\\missing.png", &texture), 0);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(Win32GetErrorText(), "cannot read data/missing.png: No such file or directory");
    const std::string bad = CorpusPath("img/xs1n0g01.png");
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, bad.c_str(), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Win32GetErrorText(), bad + ": corrupt PNG signature");
    device.refusedFormats = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
    EXPECT_LT(D3DXCreateTextureFromFileA(&device, CorpusPath("img/basn2c08.png").c_str(), &texture),
              0);
    EXPECT_NE(Win32GetErrorText().find("cannot create a X8R8G8B8 texture of 32x32"),
              std::string::npos)
        << Win32GetErrorText();
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "x", &texture), D3DERR_INVALIDCALL);
}

} // namespace
