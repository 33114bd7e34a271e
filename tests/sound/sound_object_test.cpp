// The sound table and playback: start-up with sound on, off and without a device; buffer
// turns and the oldest-voice rule; lost buffers restored before they play; level and pan.
#include "sound_test_util.h"

#include <cstdlib>
#include <cstring>

namespace {

using SoundObjectTest = SoundFixture;

TEST_F(SoundObjectTest, InitLoadsAllSevenSoundsWithOneBufferEach) {
    ASSERT_EQ(SoundInit(TestWindow()), S_OK);
    ASSERT_NE(soundDevice, nullptr);
    const DWORD sizes[SOUND_COUNT] = {227982, 457670, 176412, 9692, 38076, 9724, 4516};
    for (int id = 0; id < SOUND_COUNT; ++id) {
        ASSERT_NE(soundTable[id], nullptr) << "sound " << id;
        EXPECT_EQ(soundTable[id]->bufferCount, 1u);
        EXPECT_EQ(soundTable[id]->current, 0u);
        EXPECT_EQ(soundTable[id]->waveSize, sizes[id]);
        EXPECT_EQ(StatusOf(soundTable[id]), 0u);
    }
    // The samples are read in place from the resource image.
    const BYTE* data = nullptr;
    ASSERT_EQ(WaveResourceGet(nullptr, "KOD", nullptr, &data, nullptr), S_OK);
    EXPECT_EQ(soundTable[KOD]->waveData, data);
}

TEST_F(SoundObjectTest, SoundOffCreatesNothingAndEveryCallFails) {
    engine.soundsEnabled = 0;
    ASSERT_EQ(SoundInit(TestWindow()), S_OK);
    EXPECT_EQ(soundDevice, nullptr);
    for (SoundObject* sound : soundTable) {
        EXPECT_EQ(sound, nullptr);
    }
    EXPECT_EQ(SoundPlay(soundTable[BTN], 0), E_FAIL);
    EXPECT_EQ(SoundSetVolume(soundTable[BTN], 1.0f), E_FAIL);
    EXPECT_EQ(SoundSetPan(soundTable[BTN], 0.0f), E_FAIL);
    EXPECT_EQ(SoundCreate("BTN", 1), nullptr) << "no device, no sound";
}

TEST_F(SoundObjectTest, NoAudioDeviceStillStartsSilently) {
    DsoundSetManualMixing(false);
    const char* previous = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(SoundInit(TestWindow()), S_OK);
    EXPECT_EQ(soundDevice, nullptr);
    for (SoundObject* sound : soundTable) {
        EXPECT_EQ(sound, nullptr);
    }
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
}

TEST_F(SoundObjectTest, MissingResourceOrBadArgumentsGiveNothing) {
    ASSERT_EQ(SoundDeviceCreate(TestWindow()), S_OK);
    EXPECT_EQ(SoundCreate("NOSUCHSOUND", 1), nullptr);
    EXPECT_EQ(SoundBufferCreate(soundDevice, "NOSUCHSOUND"), nullptr);
    EXPECT_EQ(SoundBufferCreate(nullptr, "BTN"), nullptr);
    IDirectSoundBuffer* buffer = SoundBufferCreate(soundDevice, "BTN");
    ASSERT_NE(buffer, nullptr);
    const BYTE bytes[4] = {};
    EXPECT_EQ(SoundBufferFill(buffer, nullptr, 4), E_FAIL);
    EXPECT_EQ(SoundBufferFill(buffer, bytes, 0), E_FAIL);
    EXPECT_EQ(SoundBufferFill(nullptr, bytes, 4), E_FAIL);
    buffer->Release();
    SoundDestroy(nullptr);

    // A count below one means one buffer.
    SoundObject* sound = SoundCreate("BTN", 0);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->bufferCount, 1u);
    SoundDestroy(sound);

    // The device refuses a null window; the create then fails and leaves no device.
    SoundDeviceRelease();
    EXPECT_EQ(SoundDeviceCreate(nullptr), E_FAIL);
    EXPECT_EQ(soundDevice, nullptr);
}

TEST_F(SoundObjectTest, OneBufferThatIsPlayingIsLeftAlone) {
    ASSERT_EQ(SoundInit(TestWindow()), S_OK);
    SoundObject* dogs = soundTable[DOGS];
    ASSERT_EQ(SoundPlay(dogs, DSBPLAY_LOOPING), S_OK);
    Render(1000);
    DWORD before = 0;
    dogs->buffers[0]->GetCurrentPosition(&before, nullptr);
    EXPECT_EQ(before, 2000u);
    EXPECT_EQ(SoundPlay(dogs, 0), E_FAIL);
    EXPECT_EQ(SoundPlay(dogs, DSBPLAY_LOOPING), E_FAIL);
    DWORD after = 0;
    dogs->buffers[0]->GetCurrentPosition(&after, nullptr);
    EXPECT_EQ(after, before) << "not restarted";
    EXPECT_EQ(StatusOf(dogs), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING) << "still looping";
}

TEST_F(SoundObjectTest, BuffersTakeTurnsAndTheOldestVoiceIsCutOff) {
    ASSERT_EQ(SoundDeviceCreate(TestWindow()), S_OK);
    SoundObject* door = SoundCreate("DVERE", 2);
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(SoundPlay(door, DSBPLAY_LOOPING), E_FAIL) << "a looped sound has one buffer";
    EXPECT_EQ(StatusOf(door, 0) | StatusOf(door, 1), 0u);

    ASSERT_EQ(SoundPlay(door, 0), S_OK);
    EXPECT_EQ(door->current, 0u);
    EXPECT_EQ(StatusOf(door, 0), DSBSTATUS_PLAYING);
    Render(100);
    ASSERT_EQ(SoundPlay(door, 0), S_OK);
    EXPECT_EQ(door->current, 1u);
    EXPECT_EQ(StatusOf(door, 1), DSBSTATUS_PLAYING);
    Render(100);
    DWORD position = 0;
    door->buffers[0]->GetCurrentPosition(&position, nullptr);
    EXPECT_EQ(position, 400u) << "buffer 0 has played 200 frames";

    // Both busy: the next in turn, buffer 0, starts over from the beginning.
    ASSERT_EQ(SoundPlay(door, 0), S_OK);
    EXPECT_EQ(door->current, 0u);
    door->buffers[0]->GetCurrentPosition(&position, nullptr);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(StatusOf(door, 0), DSBSTATUS_PLAYING);
    door->buffers[1]->GetCurrentPosition(&position, nullptr);
    EXPECT_EQ(position, 200u) << "the younger voice plays on";

    // Once both have ended, the current buffer is simply played again.
    Render(5000);
    EXPECT_EQ(StatusOf(door, 0) | StatusOf(door, 1), 0u);
    ASSERT_EQ(SoundPlay(door, 0), S_OK);
    EXPECT_EQ(door->current, 0u);
    SoundDestroy(door);
}

TEST_F(SoundObjectTest, LostBufferIsRestoredAndRefilledBeforePlaying) {
    DsoundSetManualMixing(true, 22050); // KOD's own rate: output frames are its samples
    ASSERT_EQ(SoundDeviceCreate(TestWindow()), S_OK);
    SoundObject* kod = SoundCreate("KOD", 1);
    ASSERT_NE(kod, nullptr);
    DsoundMarkBufferLost(kod->buffers[0]);
    EXPECT_EQ(StatusOf(kod), DSBSTATUS_BUFFERLOST);

    ASSERT_EQ(SoundPlay(kod, 0), S_OK);
    EXPECT_EQ(StatusOf(kod), DSBSTATUS_PLAYING);
    const std::vector<float> out = Render(4000);
    std::vector<int16_t> samples(4000);
    std::memcpy(samples.data(), kod->waveData, samples.size() * 2);
    int audible = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_FLOAT_EQ(out[2 * i], samples[i] / 32768.0f) << "frame " << i;
        audible += std::abs(samples[i]) > 1000;
    }
    EXPECT_GT(audible, 1000) << "the refilled sound, not the silence of lost memory";
    SoundDestroy(kod);
}

TEST_F(SoundObjectTest, VolumeAndPanMapToHundredthsOfADecibel) {
    ASSERT_EQ(SoundDeviceCreate(TestWindow()), S_OK);
    SoundObject* sound = SoundCreate("BTN", 2);
    ASSERT_NE(sound, nullptr);
    const struct {
        float level;
        LONG volume;
    } volumes[] = {{1.0f, 0}, {0.5f, -3500}, {0.25f, -5250}, {0.0f, -7000}, {0.9999f, 0}};
    for (const auto& v : volumes) {
        ASSERT_EQ(SoundSetVolume(sound, v.level), S_OK);
        EXPECT_EQ(VolumeOf(sound, 0), v.volume) << "level " << v.level;
        EXPECT_EQ(VolumeOf(sound, 1), v.volume) << "every buffer";
    }
    const struct {
        float pan;
        LONG value;
    } pans[] = {{-1.0f, -10000}, {0.5f, 5000}, {0.0f, 0}, {1.0f, 10000}, {-0.00005f, 0}};
    for (const auto& p : pans) {
        ASSERT_EQ(SoundSetPan(sound, p.pan), S_OK);
        EXPECT_EQ(PanOf(sound, 0), p.value) << "pan " << p.pan;
        EXPECT_EQ(PanOf(sound, 1), p.value);
    }
    // Outside the ranges the device refuses the value and keeps the last good one.
    SoundSetVolume(sound, 0.5f);
    SoundSetPan(sound, 0.5f);
    EXPECT_EQ(SoundSetVolume(sound, 1.5f), S_OK);
    EXPECT_EQ(SoundSetVolume(sound, -1.0f), S_OK);
    EXPECT_EQ(SoundSetVolume(sound, 1e30f), S_OK);
    EXPECT_EQ(VolumeOf(sound), -3500);
    EXPECT_EQ(SoundSetPan(sound, 1.2f), S_OK);
    EXPECT_EQ(SoundSetPan(sound, -1e30f), S_OK);
    EXPECT_EQ(PanOf(sound), 5000);
    SoundDestroy(sound);
}

} // namespace
