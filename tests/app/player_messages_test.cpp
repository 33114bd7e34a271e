// What a player sees on stderr, tried with the real game and the runner in folders set up as a
// player might leave them: start-up failures end with one line and status 1, warnings leave the
// game running.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path BIN = OVREL_OUTPUT_DIR;

struct RunResult {
    int status = -1;
    std::string output;
};

RunResult RunIn(const fs::path& folder, const std::string& command,
                const std::string& audio = "dummy") {
    const std::string line = "cd '" + folder.string() +
                             "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=" + audio +
                             " timeout 120 " + command + " 2>&1 >/dev/null";
    RunResult run;
    std::FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        run.output += buffer.data();
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The shipped Setup.txt with some lines replaced; a small back buffer keeps runs short.
void WriteSetup(const fs::path& path, const std::string& speedLine = "GAME_SPEED= 2000",
                const std::string& soundLine = "SOUNDS [0,1]= 1", int width = 160) {
    std::ofstream out(path);
    out << "WIDTH= " << width << "\nHEIGHT= 120\nCOLOR_BITS [16,32]= 32\n"
        << "RENDERING [0..software,1..hardware]= 1\n"
        << soundLine << "\nTRUE_SHADOWS [0,1]= 1\nLIGHTS [0,1]= 0\nSKY_BOX [0,1]= 1\n"
        << "FOG [0,1]= 1\nINVERT_MOUSE [0,1]= 0\n"
        << speedLine << "\nWINDOWED [0,1]= 0\n";
}

// A data folder of links to the built files, without the ones named in `leaveOut` (paths
// inside data/).
void LinkData(const fs::path& data, const std::vector<std::string>& leaveOut = {}) {
    fs::create_directories(data);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(BIN / "data")) {
        const fs::path relative = fs::relative(entry.path(), BIN / "data");
        if (entry.is_directory()) {
            fs::create_directories(data / relative);
        } else if (std::find(leaveOut.begin(), leaveOut.end(), relative.string()) ==
                   leaveOut.end()) {
            fs::create_symlink(entry.path(), data / relative);
        }
    }
}

class PlayerMessages : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/ovrel_player_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
};

} // namespace

TEST_F(PlayerMessages, StartUpFailuresSayWhatIsWrongInOneLine) {
    // Started from the wrong folder.
    RunResult run = RunIn(folder, (BIN / "ovrel").string());
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output, "ovrel: there is no data/ folder in " + folder.string() +
                              " (looked for " + (folder / "data").string() +
                              "); the game runs from the folder that holds data/ and Setup.txt\n");

    // A menu image missing: named as one, with a path of this system.
    LinkData(folder / "data", {"menu1.obr"});
    run = RunIn(folder, (BIN / "ovrel").string());
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output,
              "ovrel: cannot load the menu image data/menu1.obr: No such file or directory\n");

    // A window larger than the system makes.
    fs::create_symlink(BIN / "data" / "menu1.obr", folder / "data" / "menu1.obr");
    WriteSetup(folder / "Setup.txt", "GAME_SPEED= 2000", "SOUNDS [0,1]= 1", 100000);
    run = RunIn(folder, (BIN / "ovrel").string());
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output, "ovrel: cannot open a game window of 100000 by 120 pixels (WIDTH and "
                          "HEIGHT, the first two lines of Setup.txt): Window is too large.\n");
}

TEST_F(PlayerMessages, WarningsComeOnceEachAndTheGameRuns) {
    // No audio device, a texture gone from the data folder and a game speed of 0.
    LinkData(folder / "data", {"tex/gem.dds"});
    WriteSetup(folder / "Setup.txt", "GAME_SPEED= 0");
    const RunResult run = RunIn(folder, (BIN / "ovrel_runner").string() + " --frames 3", "nosuch");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(CountOf(run.output, "\n"), 3) << run.output;
    EXPECT_EQ(CountOf(run.output, "ovrel: warning: Setup.txt line 11: GAME_SPEED 0 is outside 1 "
                                  "to 10000; the game runs at the default speed, 2000\n"),
              1)
        << run.output;
    EXPECT_EQ(CountOf(run.output, "ovrel: warning: cannot load the texture data/tex/gem.dds named "
                                  "by data/kelmar.x: No such file or directory; its surfaces are "
                                  "drawn without it\n"),
              1)
        << run.output;
    EXPECT_EQ(CountOf(run.output, "ovrel: warning: no audio device (Audio target 'nosuch' not "
                                  "available); the game plays without sound\n"),
              1)
        << run.output;
}

TEST_F(PlayerMessages, BrokenSettingsWarnAndAMissedScreenshotFailsTheRunner) {
    LinkData(folder / "data");
    WriteSetup(folder / "Setup.txt", "GAME_SPEED= 2000", "SOUNDS [0,1]= banana");
    RunResult run = RunIn(folder, (BIN / "ovrel_runner").string() + " --frames 1");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "ovrel: warning: Setup.txt line 5 (\"SOUNDS [0,1]= banana\") does not "
                          "match \"SOUNDS [0,1]= <number>\"; SOUNDS and the settings after it "
                          "keep the default\n");

    fs::remove(folder / "Setup.txt");
    fs::create_directory(folder / "Setup.txt");
    run = RunIn(folder, (BIN / "ovrel_runner").string() + " --frames 2 --screenshot 1:a.png " +
                            "--screenshot 2:b.png");
    EXPECT_EQ(run.status, 4) << run.output;
    EXPECT_EQ(run.output, "ovrel: warning: Setup.txt is a folder, not a settings file; every "
                          "setting keeps its default\n"
                          "ovrel_runner: screenshot " +
                              (folder / "b.png").string() +
                              " not written: the run ended after 2 frames, before frame 2\n");
    EXPECT_TRUE(fs::exists(folder / "a.png"));
}
