// Setup.txt: the scanf patterns, each setting's mapping, and files that stop matching.
#include "app/setup_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

EngineState ReadFromText(const std::string& text) {
    EngineState state;
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    EXPECT_NE(file, nullptr);
    ReadSetupFile(file, state);
    std::fclose(file);
    return state;
}

const char* const FULL_FILE = "WIDTH= 800\n"
                              "HEIGHT= 600\n"
                              "COLOR_BITS [16,32]= 32\n"
                              "RENDERING [0..software,1..hardware]= 0\n"
                              "SOUNDS [0,1]= 0\n"
                              "TRUE_SHADOWS [0,1]= 0\n"
                              "LIGHTS [0,1]= 0\n"
                              "SKY_BOX [0,1]= 0\n"
                              "FOG [0,1]= 0\n"
                              "INVERT_MOUSE [0,1]= 1\n"
                              "GAME_SPEED= 1500\n";

} // namespace

TEST(SetupFile, MissingFileGivesDefaults) {
    EngineState state;
    ReadSetup("/nonexistent/Setup.txt", state);
    EXPECT_EQ(state.screenWidth, 640);
    EXPECT_EQ(state.screenHeight, 480);
    EXPECT_EQ(state.screenRect.right, 640);
    EXPECT_EQ(state.screenRect.bottom, 480);
    EXPECT_EQ(state.backBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(state.hardwareRendering, 1);
    EXPECT_EQ(state.soundsEnabled, 1);
    EXPECT_EQ(state.trueShadows, 1);
    EXPECT_EQ(state.lightsEnabled, 1);
    EXPECT_EQ(state.skyBoxEnabled, 1);
    EXPECT_EQ(state.fogEnabled, 1);
    EXPECT_EQ(state.invertMouse, 0);
    EXPECT_FLOAT_EQ(state.gameSpeed, 2.0f);
}

TEST(SetupFile, EverySettingMapsItsValue) {
    const EngineState state = ReadFromText(FULL_FILE);
    EXPECT_EQ(state.screenWidth, 800);
    EXPECT_EQ(state.screenHeight, 600);
    EXPECT_EQ(state.screenRect.right, 800);
    EXPECT_EQ(state.screenRect.bottom, 600);
    EXPECT_EQ(state.backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(state.hardwareRendering, 0);
    EXPECT_EQ(state.soundsEnabled, 0);
    EXPECT_EQ(state.trueShadows, 0);
    EXPECT_EQ(state.lightsEnabled, 0);
    EXPECT_EQ(state.skyBoxEnabled, 0);
    EXPECT_EQ(state.fogEnabled, 0);
    EXPECT_EQ(state.invertMouse, 1);
    EXPECT_FLOAT_EQ(state.gameSpeed, 1.5f);
}

TEST(SetupFile, ValuesOutsideTheListedOnesMapAsTheGameExpects) {
    std::string text = FULL_FILE;
    const auto replace = [&text](const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
    };
    replace("COLOR_BITS [16,32]= 32", "COLOR_BITS [16,32]= 24");
    replace("RENDERING [0..software,1..hardware]= 0", "RENDERING [0..software,1..hardware]= 2");
    replace("SOUNDS [0,1]= 0", "SOUNDS [0,1]= 5");
    replace("INVERT_MOUSE [0,1]= 1", "INVERT_MOUSE [0,1]= -3");
    replace("GAME_SPEED= 1500", "GAME_SPEED= 2500");
    const EngineState state = ReadFromText(text);
    EXPECT_EQ(state.backBufferFormat, D3DFMT_R5G6B5) << "only 32 selects 32-bit colour";
    EXPECT_EQ(state.hardwareRendering, 0) << "only exactly 1 selects hardware";
    EXPECT_EQ(state.soundsEnabled, 1);
    EXPECT_EQ(state.invertMouse, 1);
    EXPECT_FLOAT_EQ(state.gameSpeed, 2.5f);
}

TEST(SetupFile, BlanksAndLineBreaksMatchAnyWhiteSpace) {
    const EngineState state = ReadFromText("WIDTH=1024\r\n\r\n"
                                           "HEIGHT=    768\n"
                                           "COLOR_BITS [16,32]=32 "
                                           "RENDERING [0..software,1..hardware]=\t1\n"
                                           "SOUNDS [0,1]= 1\n\n\n"
                                           "TRUE_SHADOWS [0,1]= 1\n"
                                           "LIGHTS [0,1]= 1\n"
                                           "SKY_BOX [0,1]= 1\n"
                                           "FOG [0,1]= 1\n"
                                           "INVERT_MOUSE [0,1]= 0\n"
                                           "GAME_SPEED= 1000");
    EXPECT_EQ(state.screenWidth, 1024);
    EXPECT_EQ(state.screenHeight, 768);
    EXPECT_EQ(state.backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(state.hardwareRendering, 1);
    EXPECT_FLOAT_EQ(state.gameSpeed, 1.0f) << "the last line needs no line break";
}

TEST(SetupFile, ReadingStopsAtTheFirstLineThatDoesNotMatch) {
    // The third line misses its bracketed part: it and everything after keep the values a
    // missing file gives, the lines before it are read.
    const EngineState state = ReadFromText("WIDTH= 1024\nHEIGHT= 768\nCOLOR_BITS= 32\n"
                                           "RENDERING [0..software,1..hardware]= 0\n"
                                           "SOUNDS [0,1]= 0\n");
    EXPECT_EQ(state.screenWidth, 1024);
    EXPECT_EQ(state.screenHeight, 768);
    EXPECT_EQ(state.backBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(state.hardwareRendering, 1);
    EXPECT_EQ(state.soundsEnabled, 1);
}

TEST(SetupFile, BrokenOrTruncatedFilesNeverLeaveAZeroScreenSize) {
    for (const char* text : {"", "garbage", "WIDTH=", "WIDTH= x\nHEIGHT= 600\n", "HEIGHT= 600\n",
                             "WIDTH= 800\nHEIGHT=", "width= 800\n"}) {
        const EngineState state = ReadFromText(text);
        EXPECT_GT(state.screenWidth, 0) << "file: " << text;
        EXPECT_GT(state.screenHeight, 0) << "file: " << text;
        EXPECT_EQ(state.screenRect.right, state.screenWidth) << "file: " << text;
        EXPECT_EQ(state.screenRect.bottom, state.screenHeight) << "file: " << text;
    }
    EXPECT_EQ(ReadFromText("WIDTH= 800\nHEIGHT=").screenWidth, 800);
    EXPECT_EQ(ReadFromText("WIDTH= 800\nHEIGHT=").screenHeight, 480);
}

TEST(SetupFile, ShippedFileIsReadCompletely) {
    EngineState state;
    ReadSetup(OVREL_SOURCE_DIR "/content/Setup.txt", state);
    EXPECT_EQ(state.screenWidth, 1024);
    EXPECT_EQ(state.screenHeight, 768);
    EXPECT_EQ(state.backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_FLOAT_EQ(state.gameSpeed, 2.0f) << "the last line was read";
}
