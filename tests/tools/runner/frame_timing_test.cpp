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
    using namespace std::chrono_literals;
    FrameTimer timer;
    timer.BeginFrame();
    std::this_thread::sleep_for(10ms); // update
    timer.DeviceCall();
    std::this_thread::sleep_for(40ms); // drawing
    timer.DeviceCall();                // later calls do not move the mark
    timer.BeginPresent();
    std::this_thread::sleep_for(20ms); // present
    timer.EndPresent();
    std::this_thread::sleep_for(5ms); // sound placement after present counts as update
    timer.EndFrame();

    // A frame without any device call is all update.
    timer.BeginFrame();
    std::this_thread::sleep_for(1ms);
    timer.EndFrame();

    ASSERT_EQ(timer.Frames().size(), 2u);
    const FrameTimes& f = timer.Frames()[0];
    // Each part holds at least its own sleeps and less than it would with a neighbour's
    // sleep wrongly added (sleeps only overrun, and by far less than these gaps).
    EXPECT_GE(f.update, 15.0);
    EXPECT_LT(f.update, 15.0 + 20.0);
    EXPECT_GE(f.draw, 40.0);
    EXPECT_LT(f.draw, 40.0 + 20.0);
    // Sleeping costs the thread no CPU: the CPU figure is not the wall time.
    EXPECT_GE(f.drawCpu, 0.0);
    EXPECT_LT(f.drawCpu, 10.0);
    EXPECT_GE(f.present, 20.0);
    EXPECT_LT(f.present, 20.0 + 5.0 + 10.0);
    EXPECT_NEAR(f.total, f.update + f.draw + f.present, 0.01);
    EXPECT_EQ(timer.Frames()[1].draw, 0.0);
    EXPECT_GE(timer.Frames()[1].update, 1.0);
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
