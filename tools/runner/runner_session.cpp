// The runner's frame loop. The pass is the shell's own (SetCursor, PeekMessageA,
// TranslateMessage, DispatchMessageA, else RunFrame); the runner only steps in when the queue
// is empty and a frame is due, to give the frame its cursor and clock, exactly as a recording
// saw them.
#include "tools/runner/runner_session.h"

#include "core/engine_state.h"
#include "app/winmain.h"
#include "d3d8/d3d8_platform.h"
#include "tools/runner/timing_device.h"
#include "win32/win32_platform.h"

#include <chrono>
#include <ctime>

namespace {

DWORD frameClock = 0;
std::vector<DemoMessage>* recordedMessages = nullptr;

DWORD RunnerTick() {
    return frameClock;
}

void ObserveMessage(const MSG& msg) {
    if (recordedMessages != nullptr && DemoKeepsMessage(msg.message)) {
        recordedMessages->push_back({msg.message, msg.wParam, msg.lParam});
    }
}

// Dispatches pending messages until the queue is empty; false once WM_QUIT has been taken.
bool DispatchPending() {
    for (;;) {
        SetCursor(nullptr);
        MSG msg = {};
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) == 0) {
            return true;
        }
        if (msg.message == WM_QUIT) {
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Post(const std::vector<DemoMessage>& messages) {
    for (const DemoMessage& msg : messages) {
        PostMessageA(EngineWindow(), msg.message, msg.wParam, msg.lParam);
    }
}

double ProcessCpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

bool WantsScreenshot(const SessionOptions& options, long frame) {
    for (const ScreenshotRequest& shot : options.screenshots) {
        if (shot.frame == frame) {
            return true;
        }
    }
    return false;
}

void TakeScreenshots(const SessionOptions& options, long frame, IDirect3DDevice8* device,
                     SessionResult& result) {
    for (const ScreenshotRequest& shot : options.screenshots) {
        if (shot.frame == frame && !D3D8SaveBackBufferPng(device, shot.path.c_str())) {
            result.failures.push_back("cannot write screenshot " + shot.path);
        }
    }
}

// A picture that was asked for and not taken is a failure, not a silent skip: a script that
// makes screenshots would otherwise go on with an old file or none.
void ReportUnreachedScreenshots(const SessionOptions& options, long frames, SessionResult& result) {
    for (const ScreenshotRequest& shot : options.screenshots) {
        if (shot.frame >= frames || (shot.frame < 0 && frames == 0)) {
            const std::string asked =
                shot.frame < 0 ? "the last frame" : "frame " + std::to_string(shot.frame);
            result.failures.push_back("screenshot " + shot.path +
                                      " not written: the run ended after " +
                                      std::to_string(frames) + " frames, before " + asked);
        }
    }
}

} // namespace

DWORD VirtualFrameClock(long frame) {
    return static_cast<DWORD>(frame * 50 / 3);
}

SessionResult RunSession(const SessionOptions& options, const InputSource& source, unsigned seed) {
    SessionResult result;
    result.demo.seed = seed;
    std::vector<DemoMessage> pending;
    recordedMessages = options.record ? &pending : nullptr;
    Win32SetMessageObserver(options.record ? ObserveMessage : nullptr);
    Win32SetTickSource(RunnerTick);

    IDirect3DDevice8* realDevice = engine.device;
    FrameTimer timer;
    if (options.timing) {
        engine.device = CreateTimingDevice(realDevice, &timer);
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const double cpuStart = ProcessCpuSeconds();
    long frame = 0;
    for (;;) {
        if (options.maxFrames >= 0 && frame >= options.maxFrames) {
            break;
        }
        FrameInput input;
        if (source) {
            source(frame, input);
        }
        Post(input.messages);
        if (!DispatchPending()) {
            result.quit = true;
            break;
        }
        if (input.last) {
            break;
        }
        // The queue is empty: this pass runs a frame.
        if (input.setCursor) {
            SetCursorPos(input.cursor.x, input.cursor.y);
        }
        if (input.setClock) {
            frameClock = input.clock;
        } else if (options.realClock) {
            frameClock = static_cast<DWORD>(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                    .count());
        } else {
            frameClock = VirtualFrameClock(frame);
        }
        if (options.record) {
            DemoFrame recorded;
            recorded.messages.swap(pending);
            GetCursorPos(&recorded.cursor);
            recorded.clock = frameClock;
            result.demo.frames.push_back(std::move(recorded));
        }
        if (options.timing) {
            timer.BeginFrame();
        }
        RunFrame();
        if (options.timing) {
            timer.EndFrame();
        }
        if (frame == 0) {
            result.firstFrameEnd = Clock::now();
            result.firstFrameCpuSeconds = ProcessCpuSeconds();
        }
        const bool endScreen = engine.screenMode == SCREEN_MODE_END;
        if (WantsScreenshot(options, frame)) {
            TakeScreenshots(options, frame, realDevice, result);
        }
        ++frame;
        if (endScreen) {
            result.reachedEnd = true;
            if (options.stopAtEnd) {
                break;
            }
        }
    }
    result.frames = frame;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    if (frame > 0) {
        TakeScreenshots(options, -1, realDevice, result);
    }
    ReportUnreachedScreenshots(options, frame, result);
    if (options.record) {
        result.demo.trailing.swap(pending);
    }
    if (options.timing) {
        result.timings = timer.Frames();
        engine.device->Release();
        engine.device = realDevice;
    }
    Win32SetMessageObserver(nullptr);
    recordedMessages = nullptr;
    return result;
}
