// Timedemo statistics: median and 99th percentile by nearest rank, and the split of a frame
// into update, drawing and present from the marks.
#include "tools/runner/frame_timing.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(FrameTiming, MedianAndSlowestPercentByNearestRank) {
    // 1..200 ms: median (100 + 101) / 2; the 99th percentile is the 198th value.
    std::vector<double> values;
    for (int i = 200; i >= 1; --i) {
        values.push_back(i);
    }
    const TimingSummary s = Summarise(values);
    EXPECT_DOUBLE_EQ(s.median, 100.5);
    EXPECT_DOUBLE_EQ(s.percentile99, 198.0);

    const TimingSummary odd = Summarise({3.0, 1.0, 2.0});
    EXPECT_DOUBLE_EQ(odd.median, 2.0);
    EXPECT_DOUBLE_EQ(odd.percentile99, 3.0);

    const TimingSummary none = Summarise({});
    EXPECT_DOUBLE_EQ(none.median, 0.0);
}

TEST(FrameTiming, SplitsAFrameAtTheFirstDeviceCallAndAroundPresent) {
    // Clocks the test steps by hand: wall time in milliseconds, and the thread's CPU time.
    double wallMs = 1000.0, cpuMs = 7.0;
    FrameTimer timer(
        [&] {
            return FrameTimer::Clock::time_point(
                std::chrono::duration_cast<FrameTimer::Clock::duration>(
                    std::chrono::duration<double, std::milli>(wallMs)));
        },
        [&] { return cpuMs; });
    timer.BeginFrame();
    wallMs += 10; // update
    timer.DeviceCall();
    wallMs += 40; // drawing, of which 3 ms on this thread's CPU
    cpuMs += 3;
    timer.DeviceCall(); // later calls do not move the mark
    timer.BeginPresent();
    wallMs += 20; // present
    cpuMs += 1;
    timer.EndPresent();
    wallMs += 5; // sound placement after present counts as update
    timer.EndFrame();

    // A frame without any device call is all update; one without Present is all drawing
    // after its first call.
    timer.BeginFrame();
    wallMs += 1;
    timer.EndFrame();
    timer.BeginFrame();
    wallMs += 2;
    timer.DeviceCall();
    wallMs += 6;
    timer.EndFrame();

    ASSERT_EQ(timer.Frames().size(), 3u);
    const FrameTimes& f = timer.Frames()[0];
    EXPECT_NEAR(f.update, 15.0, 1e-6);
    EXPECT_NEAR(f.draw, 40.0, 1e-6);
    EXPECT_NEAR(f.drawCpu, 3.0, 1e-9);
    EXPECT_NEAR(f.present, 20.0, 1e-6);
    EXPECT_NEAR(f.total, 75.0, 1e-6);
    EXPECT_EQ(timer.Frames()[1].draw, 0.0);
    EXPECT_NEAR(timer.Frames()[1].update, 1.0, 1e-6);
    EXPECT_NEAR(timer.Frames()[2].update, 2.0, 1e-6);
    EXPECT_NEAR(timer.Frames()[2].draw, 6.0, 1e-6);
    EXPECT_EQ(timer.Frames()[2].present, 0.0);
}

TEST(FrameTiming, RealClocksCountSleepAsWallTimeOnly) {
    using namespace std::chrono_literals;
    FrameTimer timer;
    timer.BeginFrame();
    timer.DeviceCall();
    std::this_thread::sleep_for(5ms);
    timer.BeginPresent();
    timer.EndPresent();
    timer.EndFrame();
    ASSERT_EQ(timer.Frames().size(), 1u);
    // Sleeps only overrun; sleeping costs the thread no CPU.
    EXPECT_GE(timer.Frames()[0].draw, 5.0);
    EXPECT_LT(timer.Frames()[0].drawCpu, timer.Frames()[0].draw);
}

TEST(FrameTiming, ReportNamesFramesSecondsRateAndTheThreeParts) {
    std::vector<FrameTimes> frames(100, FrameTimes{1.0, 2.0, 0.5, 3.5});
    const std::string report = TimedemoReport(frames, 0.5, 0.75);
    EXPECT_NE(report.find("100 frames in 0.500 s = 200.0 fps"), std::string::npos) << report;
    EXPECT_NE(report.find("update"), std::string::npos);
    EXPECT_NE(report.find("draw submission"), std::string::npos);
    EXPECT_NE(report.find("present"), std::string::npos);
}

} // namespace
