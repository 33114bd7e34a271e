// Internals of the DirectSound layer: the mixer shared by a device and its buffers, the
// sample memory shared by a buffer and its duplicates, and the two interface classes.
#pragma once

#include "dsound/dsound.h"
#include "win32/ref_counted.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

class DsoundBuffer;

// Sample memory of a buffer and all its duplicates. The bytes are what Lock hands out; the
// converted frames, at the mixer's rate with the source's channel count, are what plays.
struct DsoundSamples {
    WAVEFORMATEX format{};
    DWORD flags = 0;
    std::vector<BYTE> memory;
    std::vector<float> converted; // guarded by the mixer's mutex
    size_t convertedFrames = 0;   // guarded by the mixer's mutex
    bool lost = false;            // guarded by the mixer's mutex
};

// Mixes every playing buffer of one device. The audio callback and the game thread meet
// only here, under the mutex.
struct DsoundMixer {
    std::mutex mutex;
    int outputRate = 44100;
    std::vector<DsoundBuffer*> buffers;

    // Fills frames of interleaved stereo output; takes the mutex.
    void Render(float* out, int frames);
};

// Converts sample bytes of a PCM format to float frames at another rate (linear
// interpolation, wrapping at the end so that looped buffers join smoothly).
std::vector<float> DsoundConvert(const WAVEFORMATEX& format, const BYTE* bytes, size_t length,
                                 int outputRate, size_t* frames);

// Gain of one side for a volume and pan in hundredths of a decibel: the pan attenuates only
// the side it points away from.
float DsoundSideGain(LONG volume, LONG pan, bool right);

// Whether new devices mix on demand (a test hook), and at which rate.
bool DsoundManualMixing(int* outputRate);

class DsoundBuffer final : public RefCounted<IDirectSoundBuffer> {
  public:
    DsoundBuffer(std::shared_ptr<DsoundMixer> mixer, std::shared_ptr<DsoundSamples> samples);
    ~DsoundBuffer() override;

    HRESULT GetCurrentPosition(DWORD* pdwCurrentPlayCursor, DWORD* pdwCurrentWriteCursor) override;
    HRESULT GetFormat(LPWAVEFORMATEX pwfxFormat, DWORD dwSizeAllocated,
                      DWORD* pdwSizeWritten) override;
    HRESULT GetVolume(LONG* plVolume) override;
    HRESULT GetPan(LONG* plPan) override;
    HRESULT GetStatus(DWORD* pdwStatus) override;
    HRESULT Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1, DWORD* pdwAudioBytes1,
                 LPVOID* ppvAudioPtr2, DWORD* pdwAudioBytes2, DWORD dwFlags) override;
    HRESULT Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags) override;
    HRESULT SetCurrentPosition(DWORD dwNewPosition) override;
    HRESULT SetVolume(LONG lVolume) override;
    HRESULT SetPan(LONG lPan) override;
    HRESULT Stop() override;
    HRESULT Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2,
                   DWORD dwAudioBytes2) override;
    HRESULT Restore() override;

    // Makes a duplicate: same memory, own voice, stopped at 0 with this one's volume and pan.
    DsoundBuffer* Duplicate();
    // Adds this voice into out; called by the mixer with its mutex held.
    void MixInto(float* out, int frames);
    // Forgets the memory's content and stops every voice on it; test hook.
    void MarkLost();

  private:
    void UpdateGains(); // with the mutex held

    std::shared_ptr<DsoundMixer> mixer;
    std::shared_ptr<DsoundSamples> samples;
    // Voice state, guarded by the mixer's mutex.
    bool playing = false;
    bool looping = false;
    bool unheard = false; // started but not yet mixed: level changes apply at once
    size_t position = 0;  // in converted frames
    LONG volume = 0;
    LONG pan = 0;
    float gainLeft = 1.0f; // applied at the start of the next mix
    float gainRight = 1.0f;
    float targetLeft = 1.0f; // reached by the end of the next mix
    float targetRight = 1.0f;
};

class DsoundDevice final : public RefCounted<IDirectSound> {
  public:
    DsoundDevice(std::shared_ptr<DsoundMixer> mixer, unsigned audioDevice);
    ~DsoundDevice() override;

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC pcDSBufferDesc, LPDIRECTSOUNDBUFFER* ppDSBuffer,
                              LPUNKNOWN pUnkOuter) override;
    HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER pDSBufferOriginal,
                                 LPDIRECTSOUNDBUFFER* ppDSBufferDuplicate) override;
    HRESULT SetCooperativeLevel(HWND hwnd, DWORD dwLevel) override;

    DsoundMixer& Mixer() { return *mixer; }

  private:
    std::shared_ptr<DsoundMixer> mixer;
    unsigned audioDevice; // SDL device id, 0 when mixing on demand
    DWORD cooperativeLevel = 0;
};
