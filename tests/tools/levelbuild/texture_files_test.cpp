// The level's texture files: the chain the builder writes is the chain the game's loader
// hands the device (no level regenerated), block-compressed files stay within their measured
// error, the format follows the limits, and cut-out edges keep their alpha.
#include "tools/levelbuild/dxt_encoder.h"
#include "tools/levelbuild/texture_files.h"
#include "tools/levelbuild/textures.h"

#include "d3dx/d3dx8.h"
#include "d3dx/image_format.h"
#include "support/fake_device.h"
#include "support/temp_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace levelbuild;

namespace {

// Every level of a loaded texture as 32-bit RGBA, as the platform decodes it.
std::vector<Image> LoadLevels(const std::string& path, D3DFORMAT& format) {
    FakeDevice device;
    LPDIRECT3DTEXTURE8 texture = nullptr;
    std::vector<Image> levels;
    if (D3DXCreateTextureFromFileA(&device, path.c_str(), &texture) != D3D_OK)
        return levels;
    for (UINT l = 0; l < texture->GetLevelCount(); ++l) {
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(l, &desc);
        format = desc.Format;
        uint32_t pitch = 0, rows = 0;
        LevelLayout(desc.Format, desc.Width, desc.Height, pitch, rows);
        D3DLOCKED_RECT locked{};
        texture->LockRect(l, &locked, nullptr, D3DLOCK_READONLY);
        ImageLevel level;
        level.width = desc.Width;
        level.height = desc.Height;
        level.pitch = pitch;
        for (uint32_t r = 0; r < rows; ++r) {
            const auto* row = static_cast<const uint8_t*>(locked.pBits) + r * locked.Pitch;
            level.bytes.insert(level.bytes.end(), row, row + pitch);
        }
        texture->UnlockRect(l);
        const ImageLevel argb = ConvertToArgb(desc.Format, level);
        Image image(static_cast<int>(desc.Width), static_cast<int>(desc.Height));
        for (size_t i = 0; i + 3 < argb.bytes.size(); i += 4) {
            image.rgba[i + 0] = argb.bytes[i + 2];
            image.rgba[i + 1] = argb.bytes[i + 1];
            image.rgba[i + 2] = argb.bytes[i + 0];
            image.rgba[i + 3] = argb.bytes[i + 3];
        }
        levels.push_back(image);
    }
    texture->Release();
    return levels;
}

int LargestDifference(const Image& a, const Image& b, int channels) {
    int largest = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i)
        if (static_cast<int>(i % 4) < channels)
            largest = std::max(largest, std::abs(a.rgba[i] - b.rgba[i]));
    return largest;
}

Image Painted(const char* name) {
    Image image;
    EXPECT_TRUE(MakeTexture(name, image)) << name;
    return image;
}

// A smooth ramp with a sharp shadow edge across it, as on a light map page.
Image ShadedRamp(int size) {
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float ramp = static_cast<float>(x) / size;
            const float shadow = (x + y / 3) % 37 < 12 ? 0.45f : 0.0f;
            image.Set(x, y, 0.9f * ramp, 0.8f * ramp, 0.6f, 0.2f + shadow + 0.2f * ramp);
        }
    return image;
}

} // namespace

TEST(TextureFiles, LoaderKeepsEveryLevelTheBuilderWrote) {
    struct Case {
        const char* what;
        Image image;
    };
    // A grainy wall that compresses, a cut-out with alpha, a sky gradient and a shaded ramp
    // that may not.
    const Case cases[] = {
        {"brick", Painted("brick")},
        {"leaves", Painted("leaves")},
        {"skyside", Painted("skyside")},
        {"ramp", ShadedRamp(64)},
    };
    for (const Case& c : cases) {
        const TextureFile file = MakeTextureFile(c.image);
        const std::string path = TestTempPath(std::string(c.what) + ".dds").string();
        ASSERT_TRUE(WriteTextureFile(path, file)) << c.what;
        D3DFORMAT format = D3DFMT_UNKNOWN;
        const std::vector<Image> loaded = LoadLevels(path, format);
        ASSERT_EQ(loaded.size(), file.levels.size()) << c.what;
        const bool blocks = file.format == DdsFormat::DXT1 || file.format == DdsFormat::DXT5;
        const D3DFORMAT expected[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_DXT1, D3DFMT_DXT5};
        EXPECT_EQ(format, expected[static_cast<int>(file.format)]) << c.what;
        for (size_t l = 0; l < loaded.size(); ++l) {
            ASSERT_EQ(loaded[l].width, file.levels[l].width) << c.what << " level " << l;
            if (!blocks) {
                EXPECT_EQ(loaded[l].rgba, file.levels[l].rgba) << c.what << " level " << l;
                continue;
            }
            // The loaded blocks are the written ones: their error is what the builder measured.
            const int channels = file.format == DdsFormat::DXT5 ? 4 : 3;
            EXPECT_LE(LargestDifference(loaded[l], file.levels[l], channels), file.error.largest)
                << c.what << " level " << l;
            const BlockFormat bf =
                file.format == DdsFormat::DXT1 ? BlockFormat::DXT1 : BlockFormat::DXT5;
            EXPECT_EQ(
                loaded[l].rgba,
                DecodeDxt(bf, file.blocks[l], file.levels[l].width, file.levels[l].height).rgba)
                << c.what << " level " << l;
        }
    }
}

TEST(TextureFiles, ChainIsTheBoxFilterTheLoaderWouldUse) {
    // A 4x2 image: level 1 is 2x1, level 2 1x1; each texel the rounded mean of those it covers.
    Image image(4, 2);
    const uint8_t values[8] = {0, 10, 20, 31, 1, 2, 200, 255};
    for (int i = 0; i < 8; ++i)
        image.Set(i % 4, i / 4, values[i] / 255.0f, 0, 0, 1);
    const std::vector<Image> chain = MipChain(image);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[1].width, 2);
    EXPECT_EQ(chain[1].height, 1);
    EXPECT_EQ(chain[1].At(0, 0)[0], 3);   // (0 + 10 + 1 + 2 + 2) / 4
    EXPECT_EQ(chain[1].At(1, 0)[0], 127); // (20 + 31 + 200 + 255 + 2) / 4
    EXPECT_EQ(chain[2].At(0, 0)[0], 65);  // (3 + 127 + 1) / 2
}

TEST(TextureFiles, FormatFollowsTheMeasuredError) {
    // Grain compresses; the builder's own measure decides and the decision matches the limits.
    for (const char* name : {"brick", "grass", "skyside", "water", "railing"}) {
        const TextureFile file = MakeTextureFile(Painted(name));
        const bool blocks = file.format == DdsFormat::DXT1 || file.format == DdsFormat::DXT5;
        EXPECT_EQ(blocks, file.error.psnr >= 38.0 && file.error.smooth >= 44.0) << name;
    }
    EXPECT_EQ(MakeTextureFile(Painted("brick")).format, DdsFormat::DXT1);
    // A flat colour is exact in blocks; texels of unrelated colours are not, and stay 32-bit.
    Image flat(16, 16), confetti(16, 16);
    uint32_t seed = 1;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 24) / 255.0f;
    };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            flat.Set(x, y, 0.5f, 0.25f, 0.75f, 1);
            const float r = next(), g = next(), b = next();
            confetti.Set(x, y, r, g, b, next() < 0.5f ? 1.0f : 0.5f);
        }
    EXPECT_EQ(MakeTextureFile(flat).format, DdsFormat::DXT1);
    const TextureFile kept = MakeTextureFile(confetti);
    EXPECT_EQ(kept.format, DdsFormat::A8R8G8B8) << kept.error.psnr << " dB";
    EXPECT_TRUE(kept.blocks.empty());
}

TEST(TextureFiles, CutOutEdgesKeepTheirAlpha) {
    for (const char* name : {"leaves", "hedge", "railing"}) {
        const Image image = Painted(name);
        const TextureFile file = MakeTextureFile(image);
        ASSERT_NE(file.format, DdsFormat::DXT1) << name << ": one-bit alpha would blacken edges";
        const std::string path = TestTempPath(std::string(name) + ".dds").string();
        ASSERT_TRUE(WriteTextureFile(path, file));
        D3DFORMAT format = D3DFMT_UNKNOWN;
        const std::vector<Image> loaded = LoadLevels(path, format);
        ASSERT_FALSE(loaded.empty());
        // The alpha test at 128 cuts the same texels out of the top level as before.
        int flipped = 0;
        for (size_t i = 3; i < image.rgba.size(); i += 4)
            flipped += (image.rgba[i] >= 128) != (loaded[0].rgba[i] >= 128);
        EXPECT_EQ(flipped, 0) << name;
    }
}

TEST(TextureFiles, EncoderBeatsTheLoadersBoundingBoxFit) {
    // The loader's encoder makes missing levels at run time; the build can afford better.
    for (const char* name : {"brick", "plaster", "wood", "stone"}) {
        const Image image = Painted(name);
        const std::vector<Image> chain{image};
        const std::vector<std::vector<uint8_t>> ours{EncodeDxt(BlockFormat::DXT1, image)};
        ImageLevel argb = MakeArgbLevel(image.width, image.height);
        for (size_t i = 0; i + 3 < image.rgba.size(); i += 4) {
            argb.bytes[i + 0] = image.rgba[i + 2];
            argb.bytes[i + 1] = image.rgba[i + 1];
            argb.bytes[i + 2] = image.rgba[i + 0];
            argb.bytes[i + 3] = image.rgba[i + 3];
        }
        ImageLevel theirs;
        ASSERT_TRUE(EncodeBlocks(D3DFMT_DXT1, argb, theirs));
        const double oursDb = MeasureCompression(BlockFormat::DXT1, chain, ours).psnr;
        const double theirsDb = MeasureCompression(BlockFormat::DXT1, chain, {theirs.bytes}).psnr;
        EXPECT_GT(oursDb, theirsDb + 1.0) << name << ": " << oursDb << " dB against " << theirsDb;
    }
}
