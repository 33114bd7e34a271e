// The sound module: the one DirectSound device, the seven sounds of the game loaded from the
// RIFF WAVE images embedded in the executable, and the operations that play them and set
// their level and pan. With sound off or no device every entry stays null and every call on
// it returns E_FAIL.
#pragma once

#include "dsound/dsound.h"
#include "win32/windows.h"

// Index into soundTable.
enum SoundId : int { DOGS = 0, BIRDS = 1, WIND = 2, DVERE = 3, KOD = 4, KOD2 = 5, BTN = 6 };
constexpr int SOUND_COUNT = 7;

// One loaded sound with its playback buffers.
struct SoundObject {
    const BYTE* waveData;         // body of the "data" chunk inside the resource image (not owned)
    DWORD waveSize;               // length of that body in bytes
    DWORD bufferCount;            // at least 1
    DWORD current;                // index of the buffer handed out last
    IDirectSoundBuffer** buffers; // owned array of bufferCount buffers, one reference each
};

// The one sound device, or null.
extern IDirectSound* soundDevice;
// The loaded sounds by SoundId; null where sound is off or loading failed.
extern SoundObject* soundTable[SOUND_COUNT];

// Creates the device and the seven sounds when sound is enabled; always S_OK.
HRESULT SoundInit(HWND window);
// Creates soundDevice on the default device at the normal cooperative level.
HRESULT SoundDeviceCreate(HWND window);
// Releases soundDevice, if any, and sets it to null.
void SoundDeviceRelease();

// Finds the embedded WAVE (or WAV) resource name and parses it like WaveParse.
HRESULT WaveResourceGet(HMODULE module, LPCSTR name, const WAVEFORMATEX** format, const BYTE** data,
                        DWORD* size);
// Finds the "fmt " body, the "data" body and its length in a RIFF WAVE image; null
// out-parameters are not wanted. The image extends as far as its RIFF length says.
HRESULT WaveParse(const void* image, const WAVEFORMATEX** format, const BYTE** data, DWORD* size);
// WaveParse on an image of imageSize bytes: refuses a RIFF length or chunk running past it.
HRESULT WaveParseSized(const void* image, DWORD imageSize, const WAVEFORMATEX** format,
                       const BYTE** data, DWORD* size);

// A static buffer made and filled from the named resource, or null.
IDirectSoundBuffer* SoundBufferCreate(IDirectSound* device, LPCSTR name);
// Copies length bytes of samples into the buffer by lock, copy and unlock.
HRESULT SoundBufferFill(IDirectSoundBuffer* buffer, const BYTE* samples, DWORD length);
// Loads the named sound with count buffers (duplicates of the first), or null.
SoundObject* SoundCreate(LPCSTR name, DWORD count);
// Releases the sound's buffers and frees it; null is ignored.
void SoundDestroy(SoundObject* sound);
// Starts one buffer of the sound; flags is DSBPLAY_LOOPING or 0.
HRESULT SoundPlay(SoundObject* sound, DWORD flags);
// The buffer to play next, restored and refilled if its memory was lost; null for none.
IDirectSoundBuffer* SoundGetFreeBuffer(SoundObject* sound);
// Sets every buffer's level: 1 is full, 0 the quietest (-70 dB).
HRESULT SoundSetVolume(SoundObject* sound, float level);
// Sets every buffer's pan: -1 left, 0 centre, +1 right.
HRESULT SoundSetPan(SoundObject* sound, float pan);
