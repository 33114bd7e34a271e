// The title, menu and end screens: the image per screen mode, its scaling to the back buffer,
// and headless pixel checks that the image covers the whole back buffer.
#include "render/menu_screen.h"
#include "render/render_test_util.h"

#include <utility>

namespace {

class MenuScreenTest : public DeviceTest {
  protected:
    void TearDown() override {
        if (realSprite != nullptr)
            engine.sprite = realSprite;
        // Stand-in images must not reach ReleaseAll; real ones are released there.
        if (fakeImages) {
            for (IDirect3DTexture8*& texture : engine.menuTextures)
                texture = nullptr;
        }
        DeviceTest::TearDown();
    }
    void UseRecordingSprite() {
        realSprite = engine.sprite;
        engine.sprite = &sprite;
    }

    RecordingSprite sprite;
    ID3DXSprite* realSprite = nullptr;
    bool fakeImages = false;
};

// A 512 by 512 image of one colour, as the menu images are.
IDirect3DTexture8* SolidImage(IDirect3DDevice8* device, D3DCOLOR color) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(512, 512, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture),
              S_OK);
    if (texture == nullptr)
        return nullptr;
    D3DLOCKED_RECT locked = {};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    for (int y = 0; y < 512; ++y) {
        auto* row =
            reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < 512; ++x)
            row[x] = color;
    }
    texture->UnlockRect(0);
    return texture;
}

} // namespace

TEST_F(MenuScreenTest, ScalesTheImageOfEachScreenToTheBackBuffer) {
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    UseRecordingSprite();
    IDirect3DTexture8* const images[3] = {reinterpret_cast<IDirect3DTexture8*>(0x2000),
                                          reinterpret_cast<IDirect3DTexture8*>(0x2001),
                                          reinterpret_cast<IDirect3DTexture8*>(0x2002)};
    fakeImages = true;
    for (int i = 0; i < 3; ++i)
        engine.menuTextures[i] = images[i];

    const std::pair<int, int> sizes[] = {{640, 480}, {1024, 768}};
    const std::pair<float, float> scales[] = {{1.25f, 0.9375f}, {2.0f, 1.5f}};
    const std::pair<int, IDirect3DTexture8*> screens[] = {{SCREEN_MODE_TITLE, images[0]},
                                                          {SCREEN_MODE_MENU, images[1]},
                                                          {SCREEN_MODE_END, images[2]}};
    for (int s = 0; s < 2; ++s) {
        engine.screenWidth = sizes[s].first;
        engine.screenHeight = sizes[s].second;
        for (const auto& [mode, image] : screens) {
            engine.screenMode = mode;
            sprite.draws.clear();
            D3D8StartRecording(engine.device);
            EXPECT_EQ(RenderMenuScreen(), S_OK);
            const std::vector<D3D8Call> calls = D3D8StopRecording(engine.device);

            ASSERT_EQ(sprite.draws.size(), 1u);
            const RecordingSprite::DrawCall& draw = sprite.draws[0];
            EXPECT_EQ(draw.texture, image) << "mode " << mode;
            EXPECT_TRUE(draw.scaled);
            EXPECT_EQ(draw.scaling.x, scales[s].first) << sizes[s].first;
            EXPECT_EQ(draw.scaling.y, scales[s].second) << sizes[s].second;
            EXPECT_FALSE(draw.centred);
            EXPECT_FALSE(draw.translated);
            EXPECT_EQ(draw.rotation, 0.0f);
            EXPECT_EQ(draw.color, 0xFFFFFFFFu);

            // Clear, scene, present; no render state is touched.
            ASSERT_EQ(Tokens(calls),
                      (std::vector<std::string>{"Clear", "BeginScene", "EndScene", "Present"}));
            EXPECT_EQ(calls[0].args[2], D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
            EXPECT_EQ(calls[0].args[3], 0xFF646464u);
            EXPECT_EQ(BitsFloat(calls[0].args[4]), 1.0f);
        }
    }
}

class MenuScreenPixels : public MenuScreenTest,
                         public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(MenuScreenPixels, TitleImageFillsTheWholeBackBuffer) {
    engine.screenWidth = GetParam().first;
    engine.screenHeight = GetParam().second;
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    engine.menuTextures[0] = SolidImage(engine.device, 0xFF2080C0);
    ASSERT_NE(engine.menuTextures[0], nullptr);
    engine.screenMode = SCREEN_MODE_TITLE;
    RenderMenuScreen();

    std::vector<uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
    ASSERT_TRUE(D3D8ReadBackBuffer(engine.device, pixels, width, height));
    ASSERT_EQ(width, static_cast<UINT>(engine.screenWidth));
    ASSERT_EQ(height, static_cast<UINT>(engine.screenHeight));
    size_t wrong = 0;
    size_t firstWrong = pixels.size();
    for (size_t i = 0; i < pixels.size(); ++i) {
        if ((pixels[i] & 0x00FFFFFFu) != 0x002080C0u) {
            if (wrong++ == 0)
                firstWrong = i;
        }
    }
    EXPECT_EQ(wrong, 0u) << "first at x " << firstWrong % width << " y " << firstWrong / width
                         << ": " << std::hex
                         << (firstWrong < pixels.size() ? pixels[firstWrong] : 0);
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, MenuScreenPixels,
                         ::testing::Values(std::make_pair(640, 480), std::make_pair(1024, 768)));
