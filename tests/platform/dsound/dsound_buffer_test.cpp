// The DirectSound layer's buffer rules: creation checks, locking in two regions, duplicates,
// status bits, lost memory and restore, and the volume and pan ranges.
#include "dsound_test_util.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using DsoundBufferTest = ManualDevice;

TEST_F(DsoundBufferTest, CreateRefusesWhatThePlatformRefuses) {
    WAVEFORMATEX format = PcmFormat(44100, 1, 16);
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = ALL_CONTROLS;
    desc.dwBufferBytes = 100;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(16);

    DSBUFFERDESC wrongSize = desc;
    wrongSize.dwSize = 36 + 100;
    EXPECT_EQ(device->CreateSoundBuffer(&wrongSize, &buffer, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &buffer, reinterpret_cast<IUnknown*>(8)),
              DSERR_NOAGGREGATION);
    DSBUFFERDESC tooSmall = desc;
    tooSmall.dwBufferBytes = 2;
    EXPECT_EQ(device->CreateSoundBuffer(&tooSmall, &buffer, nullptr), DSERR_INVALIDPARAM);
    DSBUFFERDESC noFormat = desc;
    noFormat.lpwfxFormat = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&noFormat, &buffer, nullptr), DSERR_INVALIDPARAM);
    DSBUFFERDESC primary = desc;
    primary.dwFlags |= DSBCAPS_PRIMARYBUFFER;
    EXPECT_EQ(device->CreateSoundBuffer(&primary, &buffer, nullptr), DSERR_INVALIDPARAM);

    const WAVEFORMATEX bad[] = {
        PcmFormat(44100, 3, 16),
        PcmFormat(44100, 1, 12),
        PcmFormat(50, 1, 16),
        [] {
            WAVEFORMATEX f = PcmFormat(44100, 1, 16);
            f.wFormatTag = 3; // float is not a format static buffers take here
            return f;
        }(),
        [] {
            WAVEFORMATEX f = PcmFormat(44100, 2, 16);
            f.nBlockAlign = 2;
            return f;
        }(),
    };
    for (const WAVEFORMATEX& f : bad) {
        WAVEFORMATEX copy = f;
        DSBUFFERDESC d = desc;
        d.lpwfxFormat = &copy;
        EXPECT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), DSERR_BADFORMAT)
            << "channels " << f.nChannels << " bits " << f.wBitsPerSample << " rate "
            << f.nSamplesPerSec << " tag " << f.wFormatTag;
        EXPECT_EQ(buffer, nullptr);
    }

    // The extensible form of a PCM format plays like the plain one; other sub-formats, a
    // short extension or more valid bits than the container holds are refused.
    WAVEFORMATEXTENSIBLE extensible{};
    extensible.Format = PcmFormat(44100, 2, 16);
    extensible.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    extensible.Format.cbSize = WAVE_FORMAT_EXTENSIBLE_CB_SIZE;
    extensible.wValidBitsPerSample = 16;
    extensible.dwChannelMask = 3;
    extensible.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    DSBUFFERDESC wide = desc;
    wide.lpwfxFormat = &extensible.Format;
    ASSERT_EQ(device->CreateSoundBuffer(&wide, &buffer, nullptr), DS_OK);
    WAVEFORMATEX played{};
    DWORD written = 0;
    EXPECT_EQ(buffer->GetFormat(&played, sizeof played, &written), DS_OK);
    EXPECT_EQ(played.nChannels, 2);
    EXPECT_EQ(played.nSamplesPerSec, 44100u);
    buffer->Release();
    buffer = nullptr;
    for (int fault = 0; fault < 3; ++fault) {
        WAVEFORMATEXTENSIBLE badWide = extensible;
        if (fault == 0)
            badWide.SubFormat.Data1 = 3; // float
        else if (fault == 1)
            badWide.Format.cbSize = 0;
        else
            badWide.wValidBitsPerSample = 24;
        wide.lpwfxFormat = &badWide.Format;
        EXPECT_EQ(device->CreateSoundBuffer(&wide, &buffer, nullptr), DSERR_BADFORMAT) << fault;
        EXPECT_EQ(buffer, nullptr);
    }

    // A 14-byte "fmt " chunk followed by other bytes: only the first 16 bytes count.
    unsigned char shortChunk[18] = {};
    std::memcpy(shortChunk, &format, 16);
    shortChunk[16] = 0xFF;
    shortChunk[17] = 0xFF;
    desc.lpwfxFormat = reinterpret_cast<WAVEFORMATEX*>(shortChunk);
    ASSERT_EQ(device->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    buffer->Release();
}

TEST_F(DsoundBufferTest, LockPastTheEndWrapsIntoASecondRegion) {
    std::vector<int16_t> samples(50, 0);
    IDirectSoundBuffer* buffer = MakeMono16(samples);
    ASSERT_NE(buffer, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0;
    DWORD n2 = 0;
    ASSERT_EQ(buffer->Lock(96, 10, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 4u);
    EXPECT_EQ(n2, 6u);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(static_cast<char*>(p1) - static_cast<char*>(p2), 96);
    EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);

    ASSERT_EQ(buffer->Lock(0, 100, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    // Regions that are not the buffer's are refused.
    int16_t elsewhere[4] = {};
    EXPECT_EQ(buffer->Unlock(elsewhere, 8, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(p1, 101, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(p1, n1, nullptr, 0), DS_OK);

    EXPECT_EQ(buffer->Lock(0, 101, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(100, 1, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    ASSERT_EQ(buffer->Lock(40, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1 + n2, 100u);
    buffer->Unlock(p1, n1, p2, n2);
    buffer->Release();
}

TEST_F(DsoundBufferTest, DuplicateSharesMemoryButNotItsVoice) {
    std::vector<int16_t> samples(200, 8192); // 0.25
    IDirectSoundBuffer* original = MakeMono16(samples);
    ASSERT_NE(original, nullptr);
    ASSERT_EQ(original->SetVolume(-2000), DS_OK);
    ASSERT_EQ(original->SetPan(1500), DS_OK);
    ASSERT_EQ(original->SetCurrentPosition(100), DS_OK);
    ASSERT_EQ(original->Play(0, 0, DSBPLAY_LOOPING), DS_OK);

    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(device->DuplicateSoundBuffer(original, &copy), DS_OK);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(StatusOf(copy), 0u);
    DWORD play = 1;
    DWORD write = 1;
    ASSERT_EQ(copy->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 0u);
    LONG volume = 0;
    LONG pan = 0;
    copy->GetVolume(&volume);
    copy->GetPan(&pan);
    EXPECT_EQ(volume, -2000);
    EXPECT_EQ(pan, 1500);
    ASSERT_EQ(original->Stop(), DS_OK);

    // New content written through the original plays from the duplicate.
    void* p1 = nullptr;
    DWORD n1 = 0;
    ASSERT_EQ(original->Lock(0, 400, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    std::vector<int16_t> louder(200, 16384);
    std::memcpy(p1, louder.data(), n1);
    original->Unlock(p1, n1, nullptr, 0);
    ASSERT_EQ(copy->SetVolume(0), DS_OK);
    ASSERT_EQ(copy->SetPan(0), DS_OK);

    // The memory outlives the original as long as a duplicate holds it.
    EXPECT_EQ(original->Release(), 0u);
    ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
    const std::vector<float> out = Render(10);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    copy->Release();
}

TEST_F(DsoundBufferTest, StatusFollowsPlayLoopAndEnd) {
    IDirectSoundBuffer* buffer = MakeMono16(std::vector<int16_t>(100, 1000));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(StatusOf(buffer), 0u);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(StatusOf(buffer), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    Render(250);
    EXPECT_EQ(StatusOf(buffer), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    buffer->Stop();
    EXPECT_EQ(StatusOf(buffer), 0u);
    buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
    EXPECT_EQ(StatusOf(buffer), DSBSTATUS_PLAYING);
    Render(99);
    EXPECT_EQ(StatusOf(buffer), DSBSTATUS_PLAYING);
    Render(1);
    EXPECT_EQ(StatusOf(buffer), 0u) << "a one-shot stops at its end";
    DWORD position = 1;
    buffer->GetCurrentPosition(&position, nullptr);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(buffer->SetCurrentPosition(200), DSERR_INVALIDPARAM);
    buffer->Release();
}

TEST_F(DsoundBufferTest, LostMemoryRefusesPlayUntilRestoredAndComesBackEmpty) {
    IDirectSoundBuffer* buffer = MakeMono16(std::vector<int16_t>(100, 16384));
    ASSERT_NE(buffer, nullptr);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(device->DuplicateSoundBuffer(buffer, &copy), DS_OK);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    DsoundMarkBufferLost(buffer);

    EXPECT_EQ(StatusOf(buffer), DSBSTATUS_BUFFERLOST) << "losing the memory stops the voice";
    EXPECT_EQ(StatusOf(copy), DSBSTATUS_BUFFERLOST) << "the duplicate shares the memory";
    EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_BUFFERLOST);
    void* p1 = nullptr;
    DWORD n1 = 0;
    EXPECT_EQ(buffer->Lock(0, 200, &p1, &n1, nullptr, nullptr, 0), DSERR_BUFFERLOST);

    ASSERT_EQ(buffer->Restore(), DS_OK);
    EXPECT_EQ(StatusOf(buffer), 0u);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::vector<float> out = Render(10);
    EXPECT_EQ(out[0], 0.0f) << "restored memory is empty until refilled";

    buffer->Stop();
    buffer->SetCurrentPosition(0);
    ASSERT_EQ(buffer->Lock(0, 200, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    std::vector<int16_t> refill(100, 16384);
    std::memcpy(p1, refill.data(), n1);
    buffer->Unlock(p1, n1, nullptr, 0);
    buffer->Play(0, 0, 0);
    out = Render(10);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    copy->Release();
    buffer->Release();
}

TEST_F(DsoundBufferTest, VolumeAndPanOutsideTheirRangesFailWithoutEffect) {
    IDirectSoundBuffer* buffer = MakeMono16(std::vector<int16_t>(100, 0));
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->SetVolume(-3500), DS_OK);
    ASSERT_EQ(buffer->SetPan(-2500), DS_OK);
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetPan(-10001), DSERR_INVALIDPARAM);
    LONG volume = 0;
    LONG pan = 0;
    buffer->GetVolume(&volume);
    buffer->GetPan(&pan);
    EXPECT_EQ(volume, -3500);
    EXPECT_EQ(pan, -2500);
    EXPECT_EQ(buffer->SetVolume(-10000), DS_OK);
    EXPECT_EQ(buffer->SetPan(10000), DS_OK);
    buffer->Release();

    // Without the control flags the controls are unavailable.
    IDirectSoundBuffer* plain =
        MakeBuffer(PcmFormat(44100, 1, 16), std::vector<int16_t>(10, 0).data(), 20, DSBCAPS_STATIC);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->SetVolume(0), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(0), DSERR_CONTROLUNAVAIL);
    plain->Release();
}

TEST(DsoundDevice, OnlyTheDefaultDeviceWithoutAggregation) {
    DsoundSetManualMixing(true);
    IDirectSound* device = reinterpret_cast<IDirectSound*>(16);
    const GUID other{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(DirectSoundCreate(&other, &device, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(DirectSoundCreate(nullptr, &device, reinterpret_cast<IUnknown*>(8)),
              DSERR_NOAGGREGATION);
    ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    EXPECT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
    EXPECT_EQ(device->SetCooperativeLevel(reinterpret_cast<HWND>(1), 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(device->SetCooperativeLevel(reinterpret_cast<HWND>(1), DSSCL_PRIORITY), DS_OK);
    EXPECT_EQ(device->Release(), 0u);
    DsoundSetManualMixing(false);
}

TEST(DsoundDevice, OpensTheDummyAudioDriverAndMixesOnItsThread) {
    // SDL's dummy audio driver runs its callback on its own thread, like a real one:
    // a one-shot must finish by itself while the game thread does nothing.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    IDirectSound* device = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    ASSERT_EQ(device->SetCooperativeLevel(reinterpret_cast<HWND>(1), DSSCL_NORMAL), DS_OK);
    WAVEFORMATEX format = PcmFormat(22050, 1, 8);
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = ALL_CONTROLS;
    desc.dwBufferBytes = 441; // 20 ms
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    DWORD status = DSBSTATUS_PLAYING;
    for (int i = 0; i < 200 && (status & DSBSTATUS_PLAYING) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        buffer->GetStatus(&status);
    }
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    buffer->Release();
    device->Release();
}

} // namespace
