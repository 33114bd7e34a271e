// Frame timing marks and the timedemo summary.
#include "tools/runner/frame_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <utility>

namespace {

double Milliseconds(FrameTimer::Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

FrameTimer::FrameTimer() : FrameTimer(Clock::now, ThreadCpuMilliseconds) {}

FrameTimer::FrameTimer(WallClock wall, CpuClock cpu)
    : wallClock(std::move(wall)), cpuClock(std::move(cpu)) {}

void FrameTimer::BeginFrame() {
    frameStart = wallClock();
    drawStarted = false;
    presented = false;
}

double FrameTimer::ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

void FrameTimer::BeginPresent() {
    DeviceCall();
    presentStart = wallClock();
    presentStartCpu = cpuClock();
}

void FrameTimer::EndPresent() {
    presentEnd = wallClock();
    presented = true;
}

void FrameTimer::EndFrame() {
    const Clock::time_point frameEnd = wallClock();
    FrameTimes times;
    times.total = Milliseconds(frameEnd - frameStart);
    if (!drawStarted) {
        times.update = times.total;
    } else if (!presented) {
        times.update = Milliseconds(drawStart - frameStart);
        times.draw = Milliseconds(frameEnd - drawStart);
    } else {
        // The walking frame places the sounds after Present; that counts as update too.
        times.update = Milliseconds(drawStart - frameStart) + Milliseconds(frameEnd - presentEnd);
        times.draw = Milliseconds(presentStart - drawStart);
        times.drawCpu = presentStartCpu - drawStartCpu;
        times.present = Milliseconds(presentEnd - presentStart);
    }
    frames.push_back(times);
}

TimingSummary Summarise(std::vector<double> values) {
    TimingSummary summary;
    if (values.empty()) {
        return summary;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    summary.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    // Nearest rank: the smallest value that at least 99 % of the frames do not exceed.
    const size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n)));
    summary.percentile99 = values[std::max<size_t>(rank, 1) - 1];
    return summary;
}

std::string TimedemoReport(const std::vector<FrameTimes>& frames, double seconds,
                           double cpuSeconds) {
    std::vector<double> update;
    std::vector<double> draw;
    std::vector<double> drawCpu;
    std::vector<double> present;
    std::vector<double> total;
    for (const FrameTimes& times : frames) {
        update.push_back(times.update);
        draw.push_back(times.draw);
        drawCpu.push_back(times.drawCpu);
        present.push_back(times.present);
        total.push_back(times.total);
    }
    const double fps = seconds > 0.0 ? static_cast<double>(frames.size()) / seconds : 0.0;
    char line[160];
    std::string report;
    std::snprintf(line, sizeof(line),
                  "timedemo: %zu frames in %.3f s = %.1f fps (process CPU %.3f s)\n", frames.size(),
                  seconds, fps, cpuSeconds);
    report += line;
    report += "per frame, ms      median   slowest 1%\n";
    const struct {
        const char* name;
        const std::vector<double>* values;
    } rows[] = {{"update", &update},
                {"draw submission", &draw},
                {"  of it CPU", &drawCpu},
                {"present", &present},
                {"whole frame", &total}};
    for (const auto& row : rows) {
        const TimingSummary s = Summarise(*row.values);
        std::snprintf(line, sizeof(line), "  %-16s %7.3f  %7.3f\n", row.name, s.median,
                      s.percentile99);
        report += line;
    }
    return report;
}
