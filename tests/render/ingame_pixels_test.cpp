// An in-game frame of the built level on the headless device, from the start of the opening
// flight: the sky fills the top, the level the lower middle, and the HUD icon and crosshair
// appear where they belong. Each part is found by comparing with a frame that leaves it out.
#include "player/player_state.h"
#include "render/frame.h"
#include "world/level_loader.h"
#include "world/world_models.h"
#include "render/render_test_util.h"

#include <filesystem>

namespace {

class InGamePixels : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        if (!std::filesystem::exists("data/L1.x"))
            GTEST_FAIL() << "the built level is missing from " << std::filesystem::current_path();
        engine.lightsEnabled = 0; // coronas fade in over frames; this test looks at one frame
        OpenDevice();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(LoadLevel(), S_OK) << LoadLevelFailedFile() << ": " << Win32GetErrorText();
        player = PlayerState();
    }
    void TearDown() override {
        for (MeshModel& model : levelModels)
            ReleaseMeshModel(model);
        ReleaseMeshModel(skyBoxModel);
        ReleaseMeshModel(collectibleModel);
        DeviceTest::TearDown();
    }

    std::vector<uint32_t> Frame() {
        RenderFrame(2.0f, engine.cameraPosition, engine.cameraDirection);
        std::vector<uint32_t> pixels;
        UINT width = 0;
        UINT height = 0;
        EXPECT_TRUE(D3D8ReadBackBuffer(engine.device, pixels, width, height));
        EXPECT_EQ(width, 640u);
        EXPECT_EQ(height, 480u);
        return pixels;
    }

    // How many pixels of the rectangle differ between two frames.
    static int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int left,
                         int top, int right, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const size_t i = static_cast<size_t>(y) * 640 + static_cast<size_t>(x);
                count += (a[i] & 0xFFFFFFu) != (b[i] & 0xFFFFFFu) ? 1 : 0;
            }
        }
        return count;
    }
    static int Matching(const std::vector<uint32_t>& a, uint32_t rgb, int left, int top, int right,
                        int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x)
                count += (a[static_cast<size_t>(y) * 640 + x] & 0xFFFFFFu) == rgb ? 1 : 0;
        }
        return count;
    }
};

} // namespace

TEST_F(InGamePixels, SkyLevelAndHudWhereExpected) {
    engine.cameraSequenceActive = 0;
    engine.fadeLevel = 0.0f;
    const std::vector<uint32_t> full = Frame();

    // Sky: with the sky box off the top rows show the clear colour; with it on they do not.
    engine.skyBoxEnabled = 0;
    const std::vector<uint32_t> noSky = Frame();
    engine.skyBoxEnabled = 1;
    EXPECT_EQ(Matching(full, 0x281450, 0, 0, 640, 40), 0);
    EXPECT_GT(Matching(noSky, 0x281450, 0, 0, 640, 40), 640 * 40 / 2);

    // Level: hiding the level model changes the lower middle of the picture.
    const uint32_t materials = levelModels[LEVEL_MODEL].materialCount;
    levelModels[LEVEL_MODEL].materialCount = 0;
    const std::vector<uint32_t> noLevel = Frame();
    levelModels[LEVEL_MODEL].materialCount = materials;
    EXPECT_GT(Differing(full, noLevel, 160, 300, 480, 480), 320 * 180 / 4);

    // HUD: the turning icon in the top right corner, the crosshair in the centre; neither
    // changes the rest of the top right or the centre's surroundings.
    IDirect3DTexture8* const icon = engine.spriteTextures[2];
    engine.spriteTextures[2] = nullptr;
    engine.hudIconAngle = 0.0f;
    const std::vector<uint32_t> noIcon = Frame();
    engine.spriteTextures[2] = icon;
    engine.hudIconAngle = 0.0f;
    const std::vector<uint32_t> withIcon = Frame();
    EXPECT_GT(Differing(withIcon, noIcon, 552, 8, 616, 72), 64);
    EXPECT_EQ(Differing(withIcon, noIcon, 0, 100, 640, 480), 0);

    engine.cameraSequenceActive = 1; // no crosshair during the flights
    const std::vector<uint32_t> noCrosshair = Frame();
    engine.cameraSequenceActive = 0;
    const std::vector<uint32_t> withCrosshair = Frame();
    EXPECT_GT(Differing(withCrosshair, noCrosshair, 312, 232, 328, 248), 4);
    EXPECT_EQ(Differing(withCrosshair, noCrosshair, 0, 100, 300, 480), 0);
}

TEST_F(InGamePixels, FullFadeCoversTheFrame) {
    engine.cameraSequenceActive = 1;
    engine.fadeLevel = 1.0f;
    const std::vector<uint32_t> faded = Frame();
    engine.fadeLevel = 0.0f;
    const std::vector<uint32_t> clear = Frame();
    // At full strength the overlay decides every pixel, so the level no longer shows through:
    // hiding the level changes nothing.
    levelModels[LEVEL_MODEL].materialCount = 0;
    engine.fadeLevel = 1.0f;
    const std::vector<uint32_t> fadedNoLevel = Frame();
    EXPECT_EQ(Differing(faded, fadedNoLevel, 0, 100, 640, 480), 0);
    EXPECT_GT(Differing(faded, clear, 0, 100, 640, 480), 640 * 380 / 2);
}
