// DirectSoundCreate and IDirectSound: the default SDL audio device, opened as float stereo
// at the device's preferred rate, whose callback runs the mixer. Creates static secondary
// buffers from a PCM format and duplicates them.
#include "dsound/dsound_local.h"
#include "win32/win32_platform.h"

#include <SDL.h>

#include <cstring>
#include <new>

namespace {

void AudioCallback(void* userdata, Uint8* stream, int len) {
    auto* mixer = static_cast<DsoundMixer*>(userdata);
    mixer->Render(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
}

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The PCM format a caller's format describes, in its plain 16-byte form: a PCM format as it
// is, an extensible one when its sub-format is PCM (samples with fewer valid bits than their
// container are played as the container holds them). False for anything else.
bool PlainPcmFormat(const WAVEFORMATEX* given, WAVEFORMATEX& format) {
    // Only the first 16 bytes of a PCM format are read; the chunk holding it may be that short.
    std::memcpy(&format, given, 16);
    format.cbSize = 0;
    if (format.wFormatTag != WAVE_FORMAT_EXTENSIBLE) {
        return format.wFormatTag == WAVE_FORMAT_PCM;
    }
    WAVEFORMATEXTENSIBLE extensible;
    std::memcpy(&extensible, given, sizeof extensible);
    if (extensible.Format.cbSize < WAVE_FORMAT_EXTENSIBLE_CB_SIZE ||
        !SameGuid(extensible.SubFormat, KSDATAFORMAT_SUBTYPE_PCM) ||
        extensible.wValidBitsPerSample > format.wBitsPerSample) {
        return false;
    }
    format.wFormatTag = WAVE_FORMAT_PCM;
    return true;
}

// The platform takes a PCM format of 8 or 16 bits, one or two channels, whose block
// alignment and byte rate agree with them.
bool ValidPcmFormat(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM) {
        return false;
    }
    if (format.nChannels != 1 && format.nChannels != 2) {
        return false;
    }
    if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) {
        return false;
    }
    if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) {
        return false;
    }
    return format.nSamplesPerSec >= 100 && format.nSamplesPerSec <= 200000;
}

} // namespace

DsoundDevice::DsoundDevice(std::shared_ptr<DsoundMixer> mixerIn, unsigned audioDeviceIn)
    : mixer(std::move(mixerIn)), audioDevice(audioDeviceIn) {}

DsoundDevice::~DsoundDevice() {
    if (audioDevice != 0) {
        // Waits for a running callback; buffers that outlive the device stay silent.
        SDL_CloseAudioDevice(audioDevice);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

HRESULT DsoundDevice::CreateSoundBuffer(LPCDSBUFFERDESC pcDSBufferDesc,
                                        LPDIRECTSOUNDBUFFER* ppDSBuffer, LPUNKNOWN pUnkOuter) {
    if (ppDSBuffer == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *ppDSBuffer = nullptr;
    if (pUnkOuter != nullptr) {
        return DSERR_NOAGGREGATION;
    }
    if (pcDSBufferDesc == nullptr || pcDSBufferDesc->dwSize != sizeof(DSBUFFERDESC)) {
        return DSERR_INVALIDPARAM;
    }
    const DSBUFFERDESC& desc = *pcDSBufferDesc;
    // Everything here mixes in software into the device's own output; there is no primary
    // buffer to write and no 3D processing.
    if ((desc.dwFlags & (DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLFX)) != 0) {
        return DSERR_INVALIDPARAM;
    }
    if (desc.lpwfxFormat == nullptr || desc.dwBufferBytes < DSBSIZE_MIN ||
        desc.dwBufferBytes > DSBSIZE_MAX) {
        return DSERR_INVALIDPARAM;
    }
    WAVEFORMATEX format{};
    if (!PlainPcmFormat(desc.lpwfxFormat, format) || !ValidPcmFormat(format)) {
        return DSERR_BADFORMAT;
    }
    auto samples = std::make_shared<DsoundSamples>();
    samples->format = format;
    samples->flags = desc.dwFlags;
    samples->memory.assign(desc.dwBufferBytes, format.wBitsPerSample == 8 ? 0x80 : 0);
    samples->converted = DsoundConvert(format, samples->memory.data(), samples->memory.size(),
                                       mixer->outputRate, &samples->convertedFrames);
    *ppDSBuffer = new DsoundBuffer(mixer, std::move(samples));
    return DS_OK;
}

HRESULT DsoundDevice::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER pDSBufferOriginal,
                                           LPDIRECTSOUNDBUFFER* ppDSBufferDuplicate) {
    if (ppDSBufferDuplicate == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *ppDSBufferDuplicate = nullptr;
    if (pDSBufferOriginal == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *ppDSBufferDuplicate = static_cast<DsoundBuffer*>(pDSBufferOriginal)->Duplicate();
    return DS_OK;
}

HRESULT DsoundDevice::SetCooperativeLevel(HWND hwnd, DWORD dwLevel) {
    if (hwnd == nullptr || dwLevel < DSSCL_NORMAL || dwLevel > DSSCL_WRITEPRIMARY) {
        return DSERR_INVALIDPARAM;
    }
    cooperativeLevel = dwLevel;
    return DS_OK;
}

HRESULT DirectSoundCreate(LPCGUID pcGuidDevice, LPDIRECTSOUND* ppDS, LPUNKNOWN pUnkOuter) {
    if (ppDS == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *ppDS = nullptr;
    if (pUnkOuter != nullptr) {
        return DSERR_NOAGGREGATION;
    }
    if (pcGuidDevice != nullptr) {
        // Only the default device is offered.
        return DSERR_NODRIVER;
    }
    auto mixer = std::make_shared<DsoundMixer>();
    int manualRate = 0;
    if (DsoundManualMixing(&manualRate)) {
        mixer->outputRate = manualRate;
        *ppDS = new (std::nothrow) DsoundDevice(std::move(mixer), 0);
        return *ppDS != nullptr ? DS_OK : DSERR_OUTOFMEMORY;
    }

    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        Win32SetErrorText(SDL_GetError());
        return DSERR_NODRIVER;
    }
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    // Nobody hears the dummy driver (the headless runner's), so its buffer length only sets
    // how long closing the device takes: SDL's audio thread lets two buffers drain first,
    // 46 ms at 1024 frames.
    const char* driver = SDL_GetCurrentAudioDriver();
    want.samples = driver != nullptr && std::strcmp(driver, "dummy") == 0 ? 256 : 1024;
    want.callback = AudioCallback;
    want.userdata = mixer.get();
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (id == 0) {
        Win32SetErrorText(std::string("the audio device cannot be opened: ") + SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DSERR_NODRIVER;
    }
    mixer->outputRate = have.freq;
    *ppDS = new DsoundDevice(std::move(mixer), id);
    SDL_PauseAudioDevice(id, 0);
    return DS_OK;
}
