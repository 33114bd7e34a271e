// The runner's command line.
#pragma once

#include "tools/runner/runner_session.h"

#include <string>
#include <vector>

struct RunnerOptions {
    std::string workDir; // empty: the current folder
    std::string setupPath = "Setup.txt";
    bool window = false; // default: headless (offscreen device, no audio device)
    bool seedGiven = false;
    unsigned seed = 0;
    std::string playPath;
    std::string recordPath;
    bool bot = false;
    long maxFrames = -1;
    bool untilEnd = false;
    bool requireEnd = false;
    std::vector<ScreenshotRequest> screenshots;
    bool stats = false;
    bool timedemo = false;
    bool help = false;
};

// Parses argv; false with error set for a command line that cannot be run.
bool ParseRunnerOptions(int argc, const char* const* argv, RunnerOptions& options,
                        std::string& error);

// The usage text.
const char* RunnerUsage();
