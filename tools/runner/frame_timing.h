// Frame timing for the timedemo: each frame's time split into update (player, world, objects,
// sound logic), drawing submission (wall and thread CPU) and present, from marks the frame loop and
// the timing device set; and the summary of a run (median and 99th percentile of each part).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct FrameTimes {
    double update = 0.0; // milliseconds
    double draw = 0.0;
    double present = 0.0;
    double total = 0.0;
    // The calling thread's CPU time in drawing submission: what submission costs without
    // the waits for a busy machine's processors that the wall time includes.
    double drawCpu = 0.0;
};

class FrameTimer {
  public:
    using Clock = std::chrono::steady_clock;
    using WallClock = std::function<Clock::time_point()>;
    using CpuClock = std::function<double()>; // the calling thread's CPU time, milliseconds

    // The steady clock and the thread's CPU clock, or the given ones (tests step them).
    FrameTimer();
    FrameTimer(WallClock wall, CpuClock cpu);

    void BeginFrame();
    // The first device call of a frame ends its update part and starts its drawing.
    void DeviceCall() {
        if (!drawStarted) {
            drawStart = wallClock();
            drawStartCpu = cpuClock();
            drawStarted = true;
        }
    }
    void BeginPresent();
    void EndPresent();
    void EndFrame();

    const std::vector<FrameTimes>& Frames() const { return frames; }

  private:
    static double ThreadCpuMilliseconds();

    WallClock wallClock;
    CpuClock cpuClock;

    Clock::time_point frameStart{};
    Clock::time_point drawStart{};
    Clock::time_point presentStart{};
    Clock::time_point presentEnd{};
    double drawStartCpu = 0.0;
    double presentStartCpu = 0.0;
    bool drawStarted = false;
    bool presented = false;
    std::vector<FrameTimes> frames;
};

struct TimingSummary {
    double median = 0.0;
    double percentile99 = 0.0;
};

// The median and the 99th percentile (the time only the slowest 1 % of frames exceed) of one
// part; zero for no frames.
TimingSummary Summarise(std::vector<double> values);

// The timedemo report: frames, seconds, frames per second and the table of the three parts.
std::string TimedemoReport(const std::vector<FrameTimes>& frames, double seconds,
                           double cpuSeconds);
