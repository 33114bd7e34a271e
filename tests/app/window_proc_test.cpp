// The window procedure: the title, menu and game flow, the key state, the in-game command
// keys, the statistics file and the mouse buttons.
#include "core/engine_state.h"
#include "app/window_proc.h"
#include "player/player_state.h"
#include "world/world_models.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class WindowProcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Debug.txt goes to the working folder; other tests running at the same time in the
        // output folder must not see or remove this one's file.
        char folderTemplate[] = "/tmp/ovrel-window-proc-XXXXXX";
        ASSERT_NE(mkdtemp(folderTemplate), nullptr);
        folder = folderTemplate;
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        saved = engine;
        savedPlayer = player;
        for (uint8_t& key : engine.keyState)
            key = 0;
        DrainQuit();
    }
    void TearDown() override {
        engine = saved;
        player = savedPlayer;
        DrainQuit();
        std::remove("Debug.txt");
        std::filesystem::current_path(previousFolder);
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path folder;
    std::filesystem::path previousFolder;

    static LRESULT Send(UINT message, WPARAM wParam = 0) {
        return WindowProc(nullptr, message, wParam, 0);
    }
    // Whether a quit message is waiting; takes it off the queue.
    static bool DrainQuit() {
        MSG msg = {};
        bool quit = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0)
            quit = quit || msg.message == WM_QUIT;
        return quit;
    }
    static std::string ReadFile(const char* path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    EngineState saved;
    PlayerState savedPlayer;
};

} // namespace

TEST_F(WindowProcTest, KeysWalkFromTitleThroughMenuIntoTheGameAndBack) {
    engine.screenMode = SCREEN_MODE_TITLE;
    Send(WM_KEYDOWN, VK_ESCAPE); // Escape on the title only opens the menu
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_MENU);
    EXPECT_FALSE(DrainQuit());
    Send(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_GAME);
    // Keys outside the game are not recorded.
    EXPECT_EQ(engine.keyState[VK_ESCAPE], 0);
    EXPECT_EQ(engine.keyState[VK_SPACE], 0);

    Send(WM_KEYDOWN, VK_ESCAPE); // in game: recorded, and back to the menu
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_MENU);
    EXPECT_EQ(engine.keyState[VK_ESCAPE], 1);
    EXPECT_FALSE(DrainQuit());
    Send(WM_KEYUP, VK_ESCAPE); // released in the menu all the same
    EXPECT_EQ(engine.keyState[VK_ESCAPE], 0);

    Send(WM_KEYDOWN, VK_ESCAPE); // Escape in the menu quits
    EXPECT_TRUE(DrainQuit());
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_MENU);
}

TEST_F(WindowProcTest, AutoRepeatOfOneKeyReachesTheGame) {
    engine.screenMode = SCREEN_MODE_TITLE;
    for (int repeat = 0; repeat < 3; ++repeat)
        Send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_GAME);
    EXPECT_EQ(engine.keyState[VK_UP], 1); // only the third press was in game
    Send(WM_KEYUP, VK_UP);
    EXPECT_EQ(engine.keyState[VK_UP], 0);
}

TEST_F(WindowProcTest, AnyKeyOnTheEndScreenQuits) {
    engine.screenMode = SCREEN_MODE_END;
    Send(WM_KEYDOWN, 'X');
    EXPECT_TRUE(DrainQuit());
    EXPECT_EQ(engine.keyState['X'], 0);
}

TEST_F(WindowProcTest, AnyGameKeyEndsTheCameraSequence) {
    engine.screenMode = SCREEN_MODE_GAME;
    engine.cameraSequenceActive = 1;
    engine.fadeLevel = 0.7f;
    Send(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(engine.cameraSequenceActive, 0);
    EXPECT_EQ(engine.fadeLevel, 0.0f);
    EXPECT_EQ(engine.keyState[VK_LEFT], 1);
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_GAME);
}

TEST_F(WindowProcTest, RadiusKeysGrowAndShrinkByHalf) {
    engine.screenMode = SCREEN_MODE_GAME;
    engine.cameraSequenceActive = 0;
    engine.collisionRadius = 0.48f;
    Send(WM_KEYDOWN, 'A');
    EXPECT_FLOAT_EQ(engine.collisionRadius, 0.72f);
    Send(WM_KEYDOWN, 'A'); // auto-repeat keeps growing it
    EXPECT_FLOAT_EQ(engine.collisionRadius, 1.08f);
    Send(WM_KEYDOWN, 'Y');
    Send(WM_KEYDOWN, 'Y');
    Send(WM_KEYDOWN, 'Y');
    EXPECT_FLOAT_EQ(engine.collisionRadius, 0.32f);
    // Outside the game the keys only move between screens.
    engine.screenMode = SCREEN_MODE_TITLE;
    Send(WM_KEYDOWN, 'A');
    EXPECT_FLOAT_EQ(engine.collisionRadius, 0.32f);
}

TEST_F(WindowProcTest, KeyCWritesTheStatisticsAndOverwritesThem) {
    engine.screenMode = SCREEN_MODE_GAME;
    const uint32_t faces = levelModels[LEVEL_MODEL].faceCount;
    levelModels[LEVEL_MODEL].faceCount = 11234;
    engine.currentFps = 59.5f;
    engine.maxFps = 61.25f;
    Send(WM_KEYDOWN, 'C');
    EXPECT_EQ(ReadFile("Debug.txt"), "Faces = 11234 \nCurrent FPS = 59.500 \nMax FPS = 61.250");

    levelModels[LEVEL_MODEL].faceCount = 7;
    engine.currentFps = 0.0004f;
    engine.maxFps = 1234.5678f;
    Send(WM_KEYDOWN, 'C');
    EXPECT_EQ(ReadFile("Debug.txt"), "Faces = 7 \nCurrent FPS = 0.000 \nMax FPS = 1234.568");
    levelModels[LEVEL_MODEL].faceCount = faces;
}

TEST_F(WindowProcTest, ButtonsAndDestroy) {
    for (int mode : {SCREEN_MODE_GAME, SCREEN_MODE_MENU, SCREEN_MODE_TITLE, SCREEN_MODE_END}) {
        engine.screenMode = mode;
        EXPECT_EQ(Send(WM_RBUTTONDOWN), 0) << "mode " << mode;
        EXPECT_EQ(engine.screenMode, mode);
    }
    EXPECT_FALSE(DrainQuit());
    EXPECT_EQ(Send(WM_DESTROY), 0);
    EXPECT_TRUE(DrainQuit());
}

TEST_F(WindowProcTest, LeftClickOnTheTitleStillReachesTheClickHandlers) {
    // The last collectible, straight ahead of the eye: the click takes it and the end screen
    // follows, even though the title screen is showing.
    engine.screenMode = SCREEN_MODE_TITLE;
    player.position = Vec3(2.0f, 0.5f, 0.5f);
    player.direction = Vec3(0.0f, 0.0f, 1.0f);
    for (int i = 0; i < COLLECTIBLE_CAPACITY; ++i)
        engine.collectibleActive[i] = 0;
    engine.collectibleActive[3] = 1;
    engine.collectiblePositions[3] = Vec3(2.0f, 1.0f, 2.0f); // eye (2, 1.1, 0.5) + 1.5 z - 0.1 y
    Send(WM_LBUTTONDOWN);
    EXPECT_EQ(engine.collectibleActive[3], 0);
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_END);
}
