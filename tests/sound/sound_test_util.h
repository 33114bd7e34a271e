// A fixture for the sound module's tests: sound enabled, a device that mixes on demand, the
// seven sounds loaded from the embedded resources, and everything torn down afterwards.
#pragma once

#include "core/engine_state.h"
#include "dsound/dsound_mixer.h"
#include "sound/sound.h"
#include "sound/sound_logic.h"
#include "sound/sound_logic_local.h"

#include <gtest/gtest.h>

#include <vector>

// The engine never looks inside the window handle it hands to the sound device.
inline HWND TestWindow() {
    return reinterpret_cast<HWND>(0x1000);
}

class SoundFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        DsoundSetManualMixing(true, 44100);
        engine.soundsEnabled = 1;
        engine.screenMode = 0;
        ResetLogic();
    }
    void TearDown() override {
        for (SoundObject*& sound : soundTable) {
            SoundDestroy(sound);
            sound = nullptr;
        }
        SoundDeviceRelease();
        DsoundSetManualMixing(false);
        ResetLogic();
        engine.screenMode = SCREEN_MODE_TITLE;
    }
    static void ResetLogic() {
        ambiencePhase = 0.0f;
        ambienceLevel = 0.0f;
        ambienceStarted = false;
        sheltered = false;
        lastActivatedObject = 0;
    }
    std::vector<float> Render(int frames) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        DsoundMixerRender(soundDevice, out.data(), frames);
        return out;
    }
};

inline LONG VolumeOf(const SoundObject* sound, DWORD buffer = 0) {
    LONG volume = 12345;
    sound->buffers[buffer]->GetVolume(&volume);
    return volume;
}

inline LONG PanOf(const SoundObject* sound, DWORD buffer = 0) {
    LONG pan = 12345;
    sound->buffers[buffer]->GetPan(&pan);
    return pan;
}

inline DWORD StatusOf(const SoundObject* sound, DWORD buffer = 0) {
    DWORD status = 0;
    sound->buffers[buffer]->GetStatus(&status);
    return status & (DSBSTATUS_PLAYING | DSBSTATUS_BUFFERLOST | DSBSTATUS_LOOPING);
}
