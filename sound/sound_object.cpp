// Loaded sounds: static buffers filled once from the resource image, duplicates for sounds
// that play overlapping, the choice of the buffer to play next, and level and pan.
#include "sound/sound.h"

#include <cstring>
#include <new>

IDirectSoundBuffer* SoundBufferCreate(IDirectSound* device, LPCSTR name) {
    if (device == nullptr) {
        return nullptr;
    }
    const WAVEFORMATEX* format = nullptr;
    const BYTE* samples = nullptr;
    DWORD length = 0;
    if (FAILED(WaveResourceGet(nullptr, name, &format, &samples, &length))) {
        return nullptr;
    }
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                   DSBCAPS_CTRLPOSITIONNOTIFY;
    desc.dwBufferBytes = length;
    desc.dwReserved = 0;
    // The "fmt " chunk body serves as the format in place; the device only reads it.
    desc.lpwfxFormat = const_cast<WAVEFORMATEX*>(format);
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(device->CreateSoundBuffer(&desc, &buffer, nullptr)) || buffer == nullptr) {
        return nullptr;
    }
    if (FAILED(SoundBufferFill(buffer, samples, length))) {
        buffer->Release();
        return nullptr;
    }
    return buffer;
}

HRESULT SoundBufferFill(IDirectSoundBuffer* buffer, const BYTE* samples, DWORD length) {
    if (buffer == nullptr || samples == nullptr || length == 0) {
        return E_FAIL;
    }
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0;
    DWORD n2 = 0;
    if (FAILED(buffer->Lock(0, length, &p1, &n1, &p2, &n2, 0))) {
        return E_FAIL;
    }
    if (n1 != 0) {
        std::memcpy(p1, samples, n1);
    }
    if (n2 != 0) {
        std::memcpy(p2, samples + n1, n2);
    }
    buffer->Unlock(p1, n1, p2, n2);
    return S_OK;
}

SoundObject* SoundCreate(LPCSTR name, DWORD count) {
    if (soundDevice == nullptr) {
        return nullptr;
    }
    if (count < 1) {
        count = 1;
    }
    const BYTE* samples = nullptr;
    DWORD length = 0;
    if (FAILED(WaveResourceGet(nullptr, name, nullptr, &samples, &length))) {
        return nullptr;
    }
    auto* sound = new (std::nothrow) SoundObject{samples, length, count, 0, nullptr};
    if (sound == nullptr) {
        return nullptr;
    }
    sound->buffers = new (std::nothrow) IDirectSoundBuffer*[count]();
    if (sound->buffers == nullptr) {
        delete sound;
        return nullptr;
    }
    sound->buffers[0] = SoundBufferCreate(soundDevice, name);
    for (DWORD i = 1; i < count && sound->buffers[0] != nullptr; ++i) {
        if (FAILED(soundDevice->DuplicateSoundBuffer(sound->buffers[0], &sound->buffers[i]))) {
            sound->buffers[i] = SoundBufferCreate(soundDevice, name);
        }
    }
    for (DWORD i = 0; i < count; ++i) {
        if (sound->buffers[i] == nullptr) {
            SoundDestroy(sound);
            return nullptr;
        }
    }
    return sound;
}

void SoundDestroy(SoundObject* sound) {
    if (sound == nullptr) {
        return;
    }
    if (sound->buffers != nullptr) {
        for (DWORD i = 0; i < sound->bufferCount; ++i) {
            if (sound->buffers[i] != nullptr) {
                sound->buffers[i]->Release();
                sound->buffers[i] = nullptr;
            }
        }
        delete[] sound->buffers;
    }
    delete sound;
}

HRESULT SoundPlay(SoundObject* sound, DWORD flags) {
    if (sound == nullptr) {
        return E_FAIL;
    }
    // A looped sound plays on its one buffer until teardown; it cannot take turns.
    if ((flags & DSBPLAY_LOOPING) != 0 && sound->bufferCount != 1) {
        return E_FAIL;
    }
    IDirectSoundBuffer* buffer = SoundGetFreeBuffer(sound);
    if (buffer == nullptr) {
        return E_FAIL;
    }
    return FAILED(buffer->Play(0, 0, flags)) ? E_FAIL : S_OK;
}

namespace {

// Truncates toward zero like a plain conversion, but a value no LONG can hold (or NaN) gives
// LONG's lowest value, which every range check then refuses, instead of undefined behaviour.
LONG TruncateToLong(float value) {
    if (!(value > -2147483648.0f && value < 2147483648.0f)) {
        return static_cast<LONG>(0x80000000u);
    }
    return static_cast<LONG>(value);
}

DWORD StatusOf(IDirectSoundBuffer* buffer) {
    DWORD status = 0;
    if (FAILED(buffer->GetStatus(&status))) {
        return 0;
    }
    return status;
}

} // namespace

IDirectSoundBuffer* SoundGetFreeBuffer(SoundObject* sound) {
    if (sound == nullptr || sound->buffers == nullptr) {
        return nullptr;
    }
    IDirectSoundBuffer* buffer = sound->buffers[sound->current];
    if (buffer == nullptr) {
        return nullptr;
    }
    DWORD status = StatusOf(buffer);
    if ((status & DSBSTATUS_PLAYING) != 0) {
        // A single voice that is still sounding is left alone.
        if (sound->bufferCount <= 1) {
            return nullptr;
        }
        sound->current = (sound->current + 1) % sound->bufferCount;
        buffer = sound->buffers[sound->current];
        if (buffer == nullptr) {
            return nullptr;
        }
        status = StatusOf(buffer);
        if ((status & DSBSTATUS_PLAYING) != 0) {
            // Every voice is busy: the oldest is cut off and starts over.
            buffer->Stop();
            buffer->SetCurrentPosition(0);
        }
    }
    if ((status & DSBSTATUS_BUFFERLOST) != 0) {
        if (FAILED(buffer->Restore()) ||
            FAILED(SoundBufferFill(buffer, sound->waveData, sound->waveSize))) {
            return nullptr;
        }
    }
    return buffer;
}

HRESULT SoundSetVolume(SoundObject* sound, float level) {
    if (sound == nullptr) {
        return E_FAIL;
    }
    // Hundredths of a decibel over 70 dB; the conversion truncates toward zero.
    const LONG volume = TruncateToLong((level - 1.0f) * 7000.0f);
    for (DWORD i = 0; i < sound->bufferCount; ++i) {
        if (sound->buffers[i] != nullptr) {
            sound->buffers[i]->SetVolume(volume);
        }
    }
    return S_OK;
}

HRESULT SoundSetPan(SoundObject* sound, float pan) {
    if (sound == nullptr) {
        return E_FAIL;
    }
    const LONG value = TruncateToLong(pan * 10000.0f);
    for (DWORD i = 0; i < sound->bufferCount; ++i) {
        if (sound->buffers[i] != nullptr) {
            sound->buffers[i]->SetPan(value);
        }
    }
    return S_OK;
}
