// Helpers for the DirectSound layer's tests: a device that mixes on demand and buffers made
// from sample values.
#pragma once

#include "dsound/dsound.h"
#include "dsound/dsound_mixer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

constexpr DWORD ALL_CONTROLS =
    DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

inline WAVEFORMATEX PcmFormat(DWORD rate, WORD channels, WORD bits) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    format.wBitsPerSample = bits;
    return format;
}

// A device mixing on demand at outputRate, so that tests decide when time passes.
class ManualDevice : public ::testing::Test {
  protected:
    void SetUp() override { Open(44100); }
    void TearDown() override {
        if (device != nullptr) {
            device->Release();
            device = nullptr;
        }
        DsoundSetManualMixing(false);
    }
    void Open(int rate) {
        if (device != nullptr) {
            device->Release();
        }
        DsoundSetManualMixing(true, rate);
        ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
        ASSERT_EQ(device->SetCooperativeLevel(reinterpret_cast<HWND>(1), DSSCL_NORMAL), DS_OK);
    }

    // A buffer holding the given bytes, filled by lock, copy and unlock.
    IDirectSoundBuffer* MakeBuffer(const WAVEFORMATEX& format, const void* bytes, DWORD size,
                                   DWORD flags = ALL_CONTROLS) {
        WAVEFORMATEX copy = format;
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = flags;
        desc.dwBufferBytes = size;
        desc.lpwfxFormat = &copy;
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
        if (buffer == nullptr) {
            return nullptr;
        }
        void* p1 = nullptr;
        DWORD n1 = 0;
        EXPECT_EQ(buffer->Lock(0, size, &p1, &n1, nullptr, nullptr, 0), DS_OK);
        std::memcpy(p1, bytes, n1);
        EXPECT_EQ(buffer->Unlock(p1, n1, nullptr, 0), DS_OK);
        return buffer;
    }

    // A mono 16-bit buffer at rate from sample values.
    IDirectSoundBuffer* MakeMono16(const std::vector<int16_t>& samples, DWORD rate = 44100) {
        return MakeBuffer(PcmFormat(rate, 1, 16), samples.data(),
                          static_cast<DWORD>(samples.size() * 2));
    }

    // The next frames of output, interleaved left and right.
    std::vector<float> Render(int frames) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        DsoundMixerRender(device, out.data(), frames);
        return out;
    }

    IDirectSound* device = nullptr;
};

inline DWORD StatusOf(IDirectSoundBuffer* buffer) {
    DWORD status = 0xFFFFFFFF;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    return status & (DSBSTATUS_PLAYING | DSBSTATUS_BUFFERLOST | DSBSTATUS_LOOPING);
}
