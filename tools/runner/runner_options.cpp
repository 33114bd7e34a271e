// Command-line parsing for ovrel_runner.
#include "tools/runner/runner_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool ParseLong(const char* text, long& value) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0';
}

// "FRAME:PATH" or "last:PATH".
bool ParseScreenshot(const std::string& text, ScreenshotRequest& shot) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 >= text.size()) {
        return false;
    }
    const std::string frame = text.substr(0, colon);
    shot.path = text.substr(colon + 1);
    if (frame == "last") {
        shot.frame = -1;
        return true;
    }
    return ParseLong(frame.c_str(), shot.frame) && shot.frame >= 0;
}

} // namespace

const char* RunnerUsage() {
    return "usage: ovrel_runner [options]\n"
           "Runs the game's start-up and frame loop, headless unless --window is given.\n"
           "  --dir PATH             working folder with data/ (default: the current folder)\n"
           "  --setup PATH           settings file (default: Setup.txt in the working folder)\n"
           "  --window               run in a window instead of headless\n"
           "  --seed N               random seed (default: from the time; a demo has its own)\n"
           "  --play FILE            replay a demo\n"
           "  --record FILE          save the run as a demo (a person plays with --window,\n"
           "                         or the bot plays with --bot)\n"
           "  --bot                  the bot plays from the title screen to the end screen\n"
           "  --frames N             stop after N frames\n"
           "  --until-end            stop after the first frame of the end screen\n"
           "  --require-end          exit with status 3 unless the end screen was reached\n"
           "  --screenshot F:PATH    write the back buffer after frame F (0 is the first;\n"
           "                         'last' for the last frame) as PNG; repeatable\n"
           "  --stats                print frame statistics at the end\n"
           "  --timedemo             run as fast as possible and report the time per frame\n"
           "                         split into update, draw submission and present\n"
           "Exit status: 0 done, 1 start-up failed, 2 bad command line or demo, 3 the end\n"
           "screen was required and not reached, 4 a screenshot could not be written or its\n"
           "frame was never reached.\n";
}

bool ParseRunnerOptions(int argc, const char* const* argv, RunnerOptions& options,
                        std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&]() {
            if (value == nullptr) {
                error = arg + " needs a value";
                return false;
            }
            ++i;
            return true;
        };
        long number = 0;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--window") {
            options.window = true;
        } else if (arg == "--bot") {
            options.bot = true;
        } else if (arg == "--until-end") {
            options.untilEnd = true;
        } else if (arg == "--require-end") {
            options.requireEnd = true;
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg == "--timedemo") {
            options.timedemo = true;
        } else if (arg == "--dir") {
            if (!needValue())
                return false;
            options.workDir = value;
        } else if (arg == "--setup") {
            if (!needValue())
                return false;
            options.setupPath = value;
        } else if (arg == "--play") {
            if (!needValue())
                return false;
            options.playPath = value;
        } else if (arg == "--record") {
            if (!needValue())
                return false;
            options.recordPath = value;
        } else if (arg == "--seed") {
            if (!needValue())
                return false;
            if (!ParseLong(value, number) || number < 0 || number > 0xFFFFFFFFL) {
                error = "--seed needs a number from 0 to 4294967295";
                return false;
            }
            options.seed = static_cast<unsigned>(number);
            options.seedGiven = true;
        } else if (arg == "--frames") {
            if (!needValue())
                return false;
            if (!ParseLong(value, number) || number < 0) {
                error = "--frames needs a count of 0 or more";
                return false;
            }
            options.maxFrames = number;
        } else if (arg == "--screenshot") {
            if (!needValue())
                return false;
            ScreenshotRequest shot;
            if (!ParseScreenshot(value, shot)) {
                error =
                    "--screenshot needs FRAME:PATH or last:PATH, not '" + std::string(value) + "'";
                return false;
            }
            options.screenshots.push_back(shot);
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (!options.playPath.empty() && options.bot) {
        error = "--play and --bot both give the input; choose one";
        return false;
    }
    if (options.timedemo && options.playPath.empty() && !options.bot) {
        error = "--timedemo replays a demo (--play FILE) or the bot's run (--bot)";
        return false;
    }
    if (!options.recordPath.empty() && !options.playPath.empty()) {
        error = "--record and --play together would only copy the demo";
        return false;
    }
    if (!options.recordPath.empty() && !options.window && !options.bot) {
        error = "--record needs a player: --window for a person or --bot";
        return false;
    }
    return true;
}
