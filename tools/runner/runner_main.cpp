// ovrel_runner: the game's start-up and frame loop under a command line, for people looking at
// the game, end-to-end tests and measurements. See RunnerUsage for the options.
#include "core/engine_state.h"
#include "app/winmain.h"
#include "d3d8/d3d8_platform.h"
#include "player/player_state.h"
#include "tools/runner/bot/bot.h"
#include "tools/runner/demo_file.h"
#include "tools/runner/runner_options.h"
#include "tools/runner/runner_session.h"
#include "win32/win32_platform.h"
#include "world/world_models.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

namespace {

constexpr int EXIT_START_UP = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_NO_END = 3;
constexpr int EXIT_SCREENSHOT = 4;

// Paths given on the command line are relative to where the runner was started, not to the
// working folder it changes to.
std::string Absolute(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    return std::filesystem::absolute(path).string();
}

void MakePathsAbsolute(RunnerOptions& options, bool setupGiven) {
    if (setupGiven) {
        options.setupPath = Absolute(options.setupPath);
    }
    options.playPath = Absolute(options.playPath);
    options.recordPath = Absolute(options.recordPath);
    for (ScreenshotRequest& shot : options.screenshots) {
        shot.path = Absolute(shot.path);
    }
}

int CollectiblesLeft() {
    int left = 0;
    for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
        left += engine.collectibleActive[i] != 0 ? 1 : 0;
    }
    return left;
}

void PrintStats(const SessionResult& result, unsigned seed) {
    const double fps = result.seconds > 0.0 ? result.frames / result.seconds : 0.0;
    std::printf("frames %ld\n", result.frames);
    std::printf("seconds %.3f\n", result.seconds);
    std::printf("fps %.1f\n", fps);
    std::printf("seed %u\n", seed);
    std::printf("screen mode %d\n", engine.screenMode);
    std::printf("end screen %s\n", result.reachedEnd ? "reached" : "not reached");
    std::printf("collectibles left %d\n", CollectiblesLeft());
    std::printf("faces %u\n", levelModels[LEVEL_MODEL].faceCount);
    std::printf("engine fps current %.3f max %.3f\n", engine.currentFps, engine.maxFps);
    std::printf("player position %.3f %.3f %.3f\n", player.position.x, player.position.y,
                player.position.z);
}

// The input of a demo, frame by frame; after its last frame the trailing messages and stop.
InputSource DemoSource(std::shared_ptr<Demo> demo) {
    return [demo](long frame, FrameInput& input) {
        if (frame >= static_cast<long>(demo->frames.size())) {
            input.messages = demo->trailing;
            input.last = true;
            return;
        }
        const DemoFrame& recorded = demo->frames[static_cast<size_t>(frame)];
        input.messages = recorded.messages;
        input.setCursor = true;
        input.cursor = recorded.cursor;
        input.setClock = true;
        input.clock = recorded.clock;
    };
}

} // namespace

int main(int argc, char** argv) {
    const auto mainEntered = std::chrono::steady_clock::now();
    RunnerOptions options;
    std::string error;
    if (!ParseRunnerOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "ovrel_runner: %s\n%s", error.c_str(), RunnerUsage());
        return EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(RunnerUsage(), stdout);
        return 0;
    }
    bool setupGiven = false;
    for (int i = 1; i < argc; ++i) {
        setupGiven = setupGiven || std::string(argv[i]) == "--setup";
    }
    MakePathsAbsolute(options, setupGiven);

    auto demo = std::make_shared<Demo>();
    if (!options.playPath.empty() && !LoadDemo(options.playPath, *demo, error)) {
        std::fprintf(stderr, "ovrel_runner: %s: %s\n", options.playPath.c_str(), error.c_str());
        return EXIT_USAGE;
    }
    if (!options.workDir.empty()) {
        std::error_code failed;
        std::filesystem::current_path(options.workDir, failed);
        if (failed) {
            std::fprintf(stderr, "ovrel_runner: cannot enter %s: %s\n", options.workDir.c_str(),
                         failed.message().c_str());
            return EXIT_USAGE;
        }
    }
    if (!options.window) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }

    unsigned seed = static_cast<unsigned>(std::time(nullptr));
    if (!options.playPath.empty()) {
        seed = demo->seed;
    } else if (options.seedGiven) {
        seed = options.seed;
    }

    EngineStartOptions startOptions;
    startOptions.setupPath = options.setupPath.c_str();
    startOptions.fixedSeed = true;
    startOptions.seed = seed;
    const HRESULT started = EngineStartUp(GetModuleHandleA(nullptr), startOptions, error);
    if (FAILED(started)) {
        EngineShutdown();
        std::fprintf(stderr, "ovrel_runner: %s\n", error.c_str());
        return EXIT_START_UP;
    }
    // Headless there is nothing to show and no display to wait for; the timedemo goes as fast
    // as the machine can.
    if (!options.window) {
        D3D8SetPresentToWindow(engine.device, false);
    }
    if (!options.window || options.timedemo) {
        D3D8SetPresentPacing(engine.device, false);
    }

    SessionOptions session;
    session.maxFrames = options.maxFrames;
    session.stopAtEnd = options.untilEnd || options.bot;
    session.screenshots = options.screenshots;
    session.timing = options.timedemo;
    session.record = !options.recordPath.empty();
    session.realClock = options.window && options.playPath.empty() && !options.bot;

    InputSource source;
    std::unique_ptr<Bot> bot;
    if (!options.playPath.empty()) {
        source = DemoSource(demo);
    } else if (options.bot) {
        bot = std::make_unique<Bot>();
        if (!bot->Prepare(error)) {
            EngineShutdown();
            std::fprintf(stderr, "ovrel_runner: bot: %s\n", error.c_str());
            return EXIT_START_UP;
        }
        source = [&bot](long frame, FrameInput& input) { bot->NextFrame(frame, input); };
    }
    const SessionResult result = RunSession(session, source, seed);

    if (options.stats) {
        PrintStats(result, seed);
        if (result.frames > 0) {
            std::printf(
                "start-up to the first frame: %.1f ms wall from main, %.1f ms process CPU\n",
                std::chrono::duration<double, std::milli>(result.firstFrameEnd - mainEntered)
                    .count(),
                result.firstFrameCpuSeconds * 1000.0);
        }
    }
    if (bot && options.stats) {
        std::fputs(bot->Report().c_str(), stdout);
    }
    if (options.timedemo) {
        std::fputs(TimedemoReport(result.timings, result.seconds, result.cpuSeconds).c_str(),
                   stdout);
        if (!result.timings.empty()) {
            std::printf("triangles left out as out of view: %.0f per frame\n",
                        static_cast<double>(D3D8CulledTriangleCount(engine.device)) /
                            static_cast<double>(result.timings.size()));
        }
    }
    EngineShutdown();

    int status = 0;
    if (session.record && !SaveDemo(options.recordPath, result.demo)) {
        std::fprintf(stderr, "ovrel_runner: cannot write %s\n", options.recordPath.c_str());
        status = EXIT_USAGE;
    }
    for (const std::string& failure : result.failures) {
        std::fprintf(stderr, "ovrel_runner: %s\n", failure.c_str());
        status = EXIT_SCREENSHOT;
    }
    if (options.requireEnd && !result.reachedEnd) {
        std::fprintf(stderr, "ovrel_runner: the end screen was not reached in %ld frames\n",
                     result.frames);
        status = EXIT_NO_END;
    }
    std::fflush(stdout);
    return status;
}
