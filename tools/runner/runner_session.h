// One run of the engine under the runner's control: the shell's start-up, then the same
// passes as the game's loop (one message dispatched per pass, a frame when the queue is
// empty), with input from a demo, the bot or a person, an optional recording, screenshots,
// stop conditions and frame timing.
#pragma once

#include "tools/runner/demo_file.h"
#include "tools/runner/frame_timing.h"

#include <functional>
#include <chrono>
#include <string>
#include <vector>

struct ScreenshotRequest {
    long frame = 0; // -1: after the last frame
    std::string path;
};

// What an input source hands over before a frame: the messages to post, and the cursor and
// clock the frame must see.
struct FrameInput {
    std::vector<DemoMessage> messages;
    bool setCursor = false;
    POINT cursor = {0, 0};
    bool setClock = false;
    DWORD clock = 0;
    // No frame follows: the messages are delivered and the run ends when they are handled.
    bool last = false;
};

// Called before every frame with the frame's index; fills the input for that frame.
using InputSource = std::function<void(long frame, FrameInput& input)>;

struct SessionOptions {
    long maxFrames = -1;    // stop after this many frames; -1 runs until quit or the source ends
    bool stopAtEnd = false; // stop after the first frame of the end screen
    std::vector<ScreenshotRequest> screenshots;
    bool timing = false;    // measure the parts of every frame (puts the timing device in place)
    bool record = false;    // keep a demo of the run
    bool realClock = false; // the frame clock follows real time (a person playing)
};

struct SessionResult {
    long frames = 0;
    bool quit = false;       // the game took WM_QUIT
    bool reachedEnd = false; // a frame of the end screen ran
    double seconds = 0.0;    // wall time of the frame loop
    double cpuSeconds = 0.0; // process CPU time of the frame loop (all threads)
    std::vector<FrameTimes> timings;
    // When the first frame had been presented, and the process CPU time by then.
    std::chrono::steady_clock::time_point firstFrameEnd{};
    double firstFrameCpuSeconds = 0.0;
    Demo demo;                         // the recording, when asked for
    std::vector<std::string> failures; // screenshots that could not be written
};

// The clock frames see without a source of their own: 60 frames a second from frame 0.
DWORD VirtualFrameClock(long frame);

// Runs the frame loop on an engine that has been started. The seed is only stored in the
// recording.
SessionResult RunSession(const SessionOptions& options, const InputSource& source, unsigned seed);
