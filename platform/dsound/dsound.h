// The DirectSound subset the engine uses: the device, static secondary buffers, duplicates,
// play/stop/position/status, restore, volume and pan. Implemented over SDL2 audio
// (see dsound_*.cpp). Names, constants and values are the platform's.
#pragma once

#include "win32/windows.h"

// ---- Wave format ----------------------------------------------------------------------------
// Packed as the platform packs it, so a "fmt " chunk body can be used in place.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize; // not read for PCM, whose format is the first 16 bytes
};
#pragma pack(pop)
using LPWAVEFORMATEX = WAVEFORMATEX*;
using LPCWAVEFORMATEX = const WAVEFORMATEX*;

constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// The extensible format: a WAVEFORMATEX with cbSize 22 and these fields after it. Static
// buffers take it when its sub-format is PCM and its samples fill their containers.
#pragma pack(push, 1)
struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    WORD wValidBitsPerSample;
    DWORD dwChannelMask;
    GUID SubFormat;
};
#pragma pack(pop)
constexpr WORD WAVE_FORMAT_EXTENSIBLE_CB_SIZE = 22;
constexpr GUID KSDATAFORMAT_SUBTYPE_PCM = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// ---- Result codes ---------------------------------------------------------------------------
constexpr HRESULT MAKE_DSHRESULT(unsigned code) {
    return static_cast<HRESULT>(0x88780000u | code);
}
constexpr HRESULT DS_OK = S_OK;
constexpr HRESULT DSERR_ALLOCATED = MAKE_DSHRESULT(10);
constexpr HRESULT DSERR_CONTROLUNAVAIL = MAKE_DSHRESULT(30);
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_INVALIDCALL = MAKE_DSHRESULT(50);
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_PRIOLEVELNEEDED = MAKE_DSHRESULT(70);
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_BADFORMAT = MAKE_DSHRESULT(100);
constexpr HRESULT DSERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DSERR_NODRIVER = MAKE_DSHRESULT(120);
constexpr HRESULT DSERR_ALREADYINITIALIZED = MAKE_DSHRESULT(130);
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT DSERR_BUFFERLOST = MAKE_DSHRESULT(150);
constexpr HRESULT DSERR_OTHERAPPHASPRIO = MAKE_DSHRESULT(160);
constexpr HRESULT DSERR_UNINITIALIZED = MAKE_DSHRESULT(170);
constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;

// ---- Cooperative levels ---------------------------------------------------------------------
constexpr DWORD DSSCL_NORMAL = 0x00000001;
constexpr DWORD DSSCL_PRIORITY = 0x00000002;
constexpr DWORD DSSCL_EXCLUSIVE = 0x00000003;
constexpr DWORD DSSCL_WRITEPRIMARY = 0x00000004;

// ---- Buffer capabilities --------------------------------------------------------------------
constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr DWORD DSBCAPS_STATIC = 0x00000002;
constexpr DWORD DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr DWORD DSBCAPS_CTRL3D = 0x00000010;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr DWORD DSBCAPS_CTRLFX = 0x00000200;
constexpr DWORD DSBCAPS_STICKYFOCUS = 0x00004000;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr DWORD DSBCAPS_MUTE3DATMAXDISTANCE = 0x00020000;
constexpr DWORD DSBCAPS_LOCDEFER = 0x00040000;

// ---- Play, lock and status flags ------------------------------------------------------------
constexpr DWORD DSBPLAY_LOOPING = 0x00000001;

constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;

constexpr DWORD DSBSTATUS_PLAYING = 0x00000001;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr DWORD DSBSTATUS_LOOPING = 0x00000004;
constexpr DWORD DSBSTATUS_LOCHARDWARE = 0x00000008;
constexpr DWORD DSBSTATUS_LOCSOFTWARE = 0x00000010;
constexpr DWORD DSBSTATUS_TERMINATED = 0x00000020;

// ---- Ranges ---------------------------------------------------------------------------------
constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_CENTER = 0;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

// ---- Buffer description ---------------------------------------------------------------------
struct DSBUFFERDESC {
    DWORD dwSize; // sizeof(DSBUFFERDESC)
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
    GUID guid3DAlgorithm;
};
using LPDSBUFFERDESC = DSBUFFERDESC*;
using LPCDSBUFFERDESC = const DSBUFFERDESC*;

// ---- Interfaces -----------------------------------------------------------------------------
// A secondary buffer: sample memory, shared by duplicates, and one voice of its own.
struct IDirectSoundBuffer : IUnknown {
    virtual HRESULT GetCurrentPosition(DWORD* pdwCurrentPlayCursor,
                                       DWORD* pdwCurrentWriteCursor) = 0;
    virtual HRESULT GetFormat(LPWAVEFORMATEX pwfxFormat, DWORD dwSizeAllocated,
                              DWORD* pdwSizeWritten) = 0;
    virtual HRESULT GetVolume(LONG* plVolume) = 0;
    virtual HRESULT GetPan(LONG* plPan) = 0;
    virtual HRESULT GetStatus(DWORD* pdwStatus) = 0;
    virtual HRESULT Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1, DWORD* pdwAudioBytes1,
                         LPVOID* ppvAudioPtr2, DWORD* pdwAudioBytes2, DWORD dwFlags) = 0;
    virtual HRESULT Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD dwNewPosition) = 0;
    virtual HRESULT SetVolume(LONG lVolume) = 0;
    virtual HRESULT SetPan(LONG lPan) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2,
                           DWORD dwAudioBytes2) = 0;
    virtual HRESULT Restore() = 0;
};
using LPDIRECTSOUNDBUFFER = IDirectSoundBuffer*;

// The sound device: makes buffers and mixes the playing ones into the default output.
struct IDirectSound : IUnknown {
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC pcDSBufferDesc,
                                      LPDIRECTSOUNDBUFFER* ppDSBuffer, LPUNKNOWN pUnkOuter) = 0;
    virtual HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER pDSBufferOriginal,
                                         LPDIRECTSOUNDBUFFER* ppDSBufferDuplicate) = 0;
    virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD dwLevel) = 0;
};
using LPDIRECTSOUND = IDirectSound*;

// Opens the default output device (pcGuidDevice null). Fails with DSERR_NODRIVER when there
// is no audio device; the caller then runs silent.
HRESULT DirectSoundCreate(LPCGUID pcGuidDevice, LPDIRECTSOUND* ppDS, LPUNKNOWN pUnkOuter);
