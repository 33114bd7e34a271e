// The runner's command line: what each option sets and the combinations it refuses.
#include "tools/runner/runner_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Parse(std::vector<const char*> args, RunnerOptions& options, std::string& error) {
    args.insert(args.begin(), "ovrel_runner");
    return ParseRunnerOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(RunnerOptions, ReadsEveryOption) {
    RunnerOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--dir", "bin", "--setup", "my.txt", "--seed", "4294967295", "--play",
                       "a.demo", "--frames", "300", "--until-end", "--require-end", "--screenshot",
                       "0:title.png", "--screenshot", "last:end.png", "--stats", "--timedemo"},
                      options, error))
        << error;
    EXPECT_EQ(options.workDir, "bin");
    EXPECT_EQ(options.setupPath, "my.txt");
    EXPECT_TRUE(options.seedGiven);
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_EQ(options.playPath, "a.demo");
    EXPECT_EQ(options.maxFrames, 300);
    EXPECT_TRUE(options.untilEnd);
    EXPECT_TRUE(options.requireEnd);
    ASSERT_EQ(options.screenshots.size(), 2u);
    EXPECT_EQ(options.screenshots[0].frame, 0);
    EXPECT_EQ(options.screenshots[0].path, "title.png");
    EXPECT_EQ(options.screenshots[1].frame, -1);
    EXPECT_TRUE(options.stats);
    EXPECT_TRUE(options.timedemo);
    EXPECT_FALSE(options.window);
}

TEST(RunnerOptions, DefaultsToHeadlessWithSetupTxtAndNoFrameLimit) {
    RunnerOptions options;
    std::string error;
    ASSERT_TRUE(Parse({}, options, error));
    EXPECT_FALSE(options.window);
    EXPECT_EQ(options.setupPath, "Setup.txt");
    EXPECT_EQ(options.maxFrames, -1);
    EXPECT_FALSE(options.seedGiven);
}

TEST(RunnerOptions, RefusesWhatCannotRun) {
    const std::vector<std::vector<const char*>> bad = {
        {"--frames"},
        {"--frames", "-1"},
        {"--frames", "12x"},
        {"--seed", "4294967296"},
        {"--screenshot", "12"},
        {"--screenshot", "x:a.png"},
        {"--screenshot", "-3:a.png"},
        {"--play", "a", "--bot"},
        {"--timedemo"},
        {"--record", "r.demo"},
        {"--record", "r.demo", "--play", "a.demo"},
        {"--fast"},
    };
    for (const auto& args : bad) {
        RunnerOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
    RunnerOptions options;
    std::string error;
    EXPECT_TRUE(Parse({"--record", "r.demo", "--window"}, options, error)) << error;
    EXPECT_TRUE(Parse({"--record", "r.demo", "--bot"}, options, error)) << error;
}

} // namespace
