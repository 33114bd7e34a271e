// The layer on a real SDL audio driver: SDL's disk driver writes exactly what the callback
// mixed to a file, which the test reads back.
#include "dsound_test_util.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

void WaitWhilePlaying(IDirectSoundBuffer* buffer) {
    for (int i = 0; i < 300 && (StatusOf(buffer) & DSBSTATUS_PLAYING) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Waits until the driver has written another seconds of output to path: the mixer's own
// progress, which a busy machine slows down along with the test's waits.
void WaitForOutput(const std::string& path, int rate, double seconds) {
    auto frames = [&] {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(path, error);
        return error ? 0 : static_cast<double>(bytes) / (2 * sizeof(float));
    };
    const double target = frames() + seconds * rate;
    for (int i = 0; i < 2000 && frames() < target; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(DsoundDiskDriver, PlayedBuffersReachTheOutputAtTheirLevelAndSide) {
    const std::string path = std::string(OVREL_OUTPUT_DIR) + "/../tests/dsound_disk_test.raw";
    std::remove(path.c_str());
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);

    IDirectSound* device = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    ASSERT_EQ(device->SetCooperativeLevel(reinterpret_cast<HWND>(1), DSSCL_NORMAL), DS_OK);
    const int rate = DsoundMixerRate(device);

    auto make = [&](size_t frames, int16_t value) {
        std::vector<int16_t> samples(frames, value);
        WAVEFORMATEX format = PcmFormat(44100, 1, 16);
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = ALL_CONTROLS;
        desc.dwBufferBytes = static_cast<DWORD>(frames * 2);
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
        void* p1 = nullptr;
        DWORD n1 = 0;
        EXPECT_EQ(buffer->Lock(0, desc.dwBufferBytes, &p1, &n1, nullptr, nullptr, 0), DS_OK);
        std::memcpy(p1, samples.data(), n1);
        buffer->Unlock(p1, n1, nullptr, 0);
        return buffer;
    };

    // 100 ms at 0.5 on the left only, then a 50 ms loop at 0.25 on the right, stopped later.
    IDirectSoundBuffer* left = make(4410, 16384);
    IDirectSoundBuffer* right = make(2205, 8192);
    ASSERT_TRUE(left && right);
    left->SetPan(DSBPAN_LEFT);
    right->SetPan(DSBPAN_RIGHT);
    left->Play(0, 0, 0);
    WaitWhilePlaying(left);
    EXPECT_EQ(StatusOf(left), 0u);
    right->Play(0, 0, DSBPLAY_LOOPING);
    WaitForOutput(path, rate, 0.3);
    EXPECT_EQ(StatusOf(right), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    right->Stop();
    WaitForOutput(path, rate, 0.15);
    left->Release();
    right->Release();
    device->Release();

    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<float> out;
    float frame[2];
    while (std::fread(frame, sizeof frame, 1, file) == 1) {
        out.push_back(frame[0]);
        out.push_back(frame[1]);
    }
    std::fclose(file);
    const size_t frames = out.size() / 2;
    ASSERT_GT(frames, static_cast<size_t>(rate / 2));

    size_t leftFrames = 0;
    size_t rightFrames = 0;
    float rightOnLeft = 0;
    float leftOnRight = 0;
    for (size_t i = 0; i < frames; ++i) {
        const float l = out[2 * i];
        const float r = out[2 * i + 1];
        if (std::fabs(l - 0.5f) < 1e-4f) {
            ++leftFrames;
            leftOnRight = std::max(leftOnRight, std::fabs(r));
        }
        if (std::fabs(r - 0.25f) < 1e-4f) {
            ++rightFrames;
            rightOnLeft = std::max(rightOnLeft, std::fabs(l));
        }
    }
    // 100 ms at the device's rate, give or take one frame of rounding.
    EXPECT_NEAR(static_cast<double>(leftFrames), rate / 10.0, 1.0);
    EXPECT_LT(leftOnRight, 1e-5f) << "a full left pan leaves the right 100 dB down";
    EXPECT_LT(rightOnLeft, 1e-5f);
    // The loop ran for the 300 ms of output before the stop, six times its length, give or
    // take the driver's buffers in flight, and nothing after the stop.
    EXPECT_GT(static_cast<double>(rightFrames), rate * 0.2);
    EXPECT_LT(static_cast<double>(rightFrames), rate * 0.6);
    size_t tail = 0;
    while (tail < frames && out[2 * (frames - 1 - tail) + 1] == 0.0f) {
        ++tail;
    }
    EXPECT_GT(static_cast<double>(tail), rate * 0.05) << "silence after the stop";
    std::remove(path.c_str());
}

} // namespace
