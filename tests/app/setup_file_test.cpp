// Setup.txt: the scanf patterns, each setting's mapping, files that stop matching and the one
// warning line that names where, the game-speed range and the optional twelfth line.
#include "app/setup_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

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

std::string Joined(const std::vector<std::string>& warnings) {
    std::string text;
    for (const std::string& warning : warnings) {
        text += warning + "\n";
    }
    return text;
}

} // namespace

TEST(SetupFile, MissingFileGivesDefaults) {
    EngineState state;
    EXPECT_TRUE(ReadSetup("/nonexistent/Setup.txt", state).empty()) << "a missing file is normal";
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
    state.windowed = 7;
    const std::vector<std::string> warnings =
        ReadSetup(OVREL_SOURCE_DIR "/content/Setup.txt", state);
    EXPECT_TRUE(warnings.empty()) << Joined(warnings);
    EXPECT_EQ(state.screenWidth, 1024);
    EXPECT_EQ(state.screenHeight, 768);
    EXPECT_EQ(state.backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_FLOAT_EQ(state.gameSpeed, 2.0f);
    EXPECT_EQ(state.windowed, 0) << "the twelfth line was read";
}

TEST(SetupFile, TwelfthLineIsOptionalAndChoosesAWindow) {
    EngineState state;
    EXPECT_TRUE(ReadSetupText(FULL_FILE, state).empty()) << "eleven lines read as they always did";
    EXPECT_EQ(state.windowed, 0);
    EXPECT_FLOAT_EQ(state.gameSpeed, 1.5f);

    for (const auto& [line, windowed] :
         {std::pair{"WINDOWED [0,1]= 1", 1}, {"WINDOWED [0,1]=0", 0}, {"WINDOWED [0,1]= 9", 1}}) {
        EngineState chosen;
        const auto warnings = ReadSetupText(std::string(FULL_FILE) + line + "\n", chosen);
        EXPECT_TRUE(warnings.empty()) << line << ": " << Joined(warnings);
        EXPECT_EQ(chosen.windowed, windowed) << line;
    }

    EngineState broken;
    const auto warnings = ReadSetupText(std::string(FULL_FILE) + "WINDOW= 1\n", broken);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "Setup.txt line 12 (\"WINDOW= 1\") does not match \"WINDOWED [0,1]= "
                           "<number>\"; WINDOWED keeps the default");
    EXPECT_EQ(broken.windowed, 0);
    EXPECT_FLOAT_EQ(broken.gameSpeed, 1.5f) << "the eleven lines before it were read";
}

TEST(SetupFile, ALineThatDoesNotMatchGivesOneWarningNamingItsNumberAndPattern) {
    std::string text = FULL_FILE;
    text.replace(text.find("SOUNDS [0,1]= 0"), 15, "SOUNDS [0,1]= banana");
    EngineState state;
    const auto warnings = ReadSetupText(text, state);
    ASSERT_EQ(warnings.size(), 1u) << Joined(warnings);
    EXPECT_EQ(warnings[0], "Setup.txt line 5 (\"SOUNDS [0,1]= banana\") does not match \"SOUNDS "
                           "[0,1]= <number>\"; SOUNDS and the settings after it keep the default");
    EXPECT_EQ(state.hardwareRendering, 0) << "line 4 was read";
    EXPECT_EQ(state.soundsEnabled, 1);
    EXPECT_EQ(state.invertMouse, 0);

    // Blank lines count as lines for the player reading the file, though matching skips them.
    EngineState spaced;
    const auto spacedWarnings =
        ReadSetupText("WIDTH= 800\r\n\n\nHEIGHT: 600\nCOLOR_BITS [16,32]= 32\n", spaced);
    ASSERT_EQ(spacedWarnings.size(), 1u);
    EXPECT_NE(spacedWarnings[0].find("Setup.txt line 4 (\"HEIGHT: 600\")"), std::string::npos)
        << spacedWarnings[0];
    EXPECT_EQ(spaced.screenWidth, 800);
    EXPECT_EQ(spaced.screenHeight, 480);
    // Before the first line nothing is skipped, as the pattern starts with its text.
    EngineState leading;
    const auto leadingWarnings = ReadSetupText("\nWIDTH= 800\n", leading);
    ASSERT_EQ(leadingWarnings.size(), 1u);
    EXPECT_EQ(leadingWarnings[0].rfind("Setup.txt line 1 (empty) does not match \"WIDTH=", 0), 0u)
        << leadingWarnings[0];
}

TEST(SetupFile, GarbageTruncatedOrBinaryFilesWarnOnceAndKeepTheDefaults) {
    struct Case {
        std::string text;
        const char* warning;
    };
    static const char BINARY_TAIL[] = "WIDTH= 800\nHEIGHT= 600\n\x01\x80\0zz";
    const Case cases[] = {
        {"", "Setup.txt ends before line 1, which should read \"WIDTH= <number>\"; WIDTH and the "
             "settings after it keep the default"},
        {"qwertyuiop asdf", "Setup.txt line 1 (\"qwertyuiop asdf\") does not match \"WIDTH= "
                            "<number>\""},
        {std::string(BINARY_TAIL, sizeof BINARY_TAIL - 1),
         "Setup.txt line 3 (\"???zz\") does not match \"COLOR_BITS [16,32]= <number>\""},
        {"WIDTH= 800\nHEIGHT= 600\nCOLOR_BITS [16,32]= 32\n",
         "Setup.txt ends before line 4, which should read \"RENDERING [0..software,1..hardware]= "
         "<number>\""},
        {"WIDTH= 800\n" + std::string(200, 'x'),
         "Setup.txt line 2 (\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\")"},
    };
    for (const Case& c : cases) {
        EngineState state;
        const auto warnings = ReadSetupText(c.text, state);
        ASSERT_EQ(warnings.size(), 1u) << "file: " << c.text << "\n" << Joined(warnings);
        EXPECT_EQ(warnings[0].rfind(c.warning, 0), 0u) << warnings[0];
        EXPECT_EQ(warnings[0].find('\n'), std::string::npos) << "one line: " << warnings[0];
        EXPECT_GT(state.screenWidth, 0);
        EXPECT_EQ(state.screenHeight, c.text.find("HEIGHT= 600\n") != std::string::npos ? 600 : 480)
            << "file: " << c.text;
        EXPECT_FLOAT_EQ(state.gameSpeed, 2.0f);
    }
}

TEST(SetupFile, AFolderOrAnUnreadableFileInItsPlaceGivesTheDefaultsWithAWarning) {
    char pattern[] = "/tmp/ovrel_setup_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path folder = pattern;
    const std::string path = (folder / "Setup.txt").string();
    std::filesystem::create_directory(path);
    EngineState state;
    const auto warnings = ReadSetup(path.c_str(), state);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], path + " is a folder, not a settings file; every setting keeps its "
                                  "default");
    EXPECT_EQ(state.screenWidth, 640);
    EXPECT_EQ(state.screenHeight, 480);
    std::filesystem::remove_all(folder);
}

// Zero froze the opening flight, a negative speed ran it backwards out of the level.
TEST(SetupFile, GameSpeedOutsideItsRangeKeepsTheDefaultWithAWarning) {
    const auto withSpeed = [](const std::string& speed) {
        std::string text = FULL_FILE;
        text.replace(text.find("GAME_SPEED= 1500"), 16, "GAME_SPEED= " + speed);
        return text + "WINDOWED [0,1]= 1\n";
    };
    for (const char* speed : {"0", "-2000", "-1", "10001", "2147483647"}) {
        EngineState state;
        state.gameSpeed = 7.0f;
        const auto warnings = ReadSetupText(withSpeed(speed), state);
        ASSERT_EQ(warnings.size(), 1u) << speed;
        EXPECT_EQ(warnings[0], "Setup.txt line 11: GAME_SPEED " + std::string(speed) +
                                   " is outside 1 to 10000; the game runs at the default speed, "
                                   "2000");
        EXPECT_FLOAT_EQ(state.gameSpeed, 2.0f) << speed;
        EXPECT_EQ(state.windowed, 1) << "the line matched, so reading goes on";
    }
    for (const auto& [speed, expected] :
         {std::pair{"1", 0.001f}, {"10000", 10.0f}, {"2000", 2.0f}}) {
        EngineState state;
        EXPECT_TRUE(ReadSetupText(withSpeed(speed), state).empty()) << speed;
        EXPECT_FLOAT_EQ(state.gameSpeed, expected) << speed;
    }
}
