// The sound device and the table of the seven sounds: created together at start-up when
// sound is enabled. A missing device leaves the game silent but running.
#include "core/engine_state.h"
#include "core/startup_warnings.h"
#include "sound/sound.h"
#include "win32/win32_platform.h"

IDirectSound* soundDevice = nullptr;
SoundObject* soundTable[SOUND_COUNT] = {};

namespace {

// Resource names in SoundId order.
const char* const SOUND_NAMES[SOUND_COUNT] = {"DOGS", "BIRDS", "WIND", "DVERE",
                                              "KOD",  "KOD2",  "BTN"};

} // namespace

HRESULT SoundInit(HWND window) {
    if (engine.soundsEnabled == 0) {
        return S_OK;
    }
    // Without a device SoundCreate yields null, so every entry stays silent.
    if (FAILED(SoundDeviceCreate(window))) {
        const std::string& cause = Win32GetErrorText();
        StartupWarning("no audio device (" + (cause.empty() ? "unknown cause" : cause) +
                       "); the game plays without sound");
    }
    for (int id = 0; id < SOUND_COUNT; ++id) {
        soundTable[id] = SoundCreate(SOUND_NAMES[id], 1);
    }
    return S_OK;
}

HRESULT SoundDeviceCreate(HWND window) {
    if (FAILED(DirectSoundCreate(nullptr, &soundDevice, nullptr))) {
        soundDevice = nullptr;
        return E_FAIL;
    }
    if (FAILED(soundDevice->SetCooperativeLevel(window, DSSCL_NORMAL))) {
        SoundDeviceRelease();
        return E_FAIL;
    }
    return S_OK;
}

void SoundDeviceRelease() {
    if (soundDevice != nullptr) {
        soundDevice->Release();
        soundDevice = nullptr;
    }
}
