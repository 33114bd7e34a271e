// Hooks into the DirectSound layer's mixer for tests and tools: mixing on demand instead of
// from the audio callback, reading what a device would play, and simulating lost memory.
// Engine code never includes this header.
#pragma once

#include "dsound/dsound.h"

// While on, DirectSoundCreate makes devices that are attached to no audio device and mix
// only when DsoundMixerRender is called, at the given output rate. Off by default.
void DsoundSetManualMixing(bool manual, int outputRate = 44100);

// Mixes the next frames of the device's output, interleaved stereo floats in [-1, 1], exactly
// as the audio callback does, advancing every playing buffer.
void DsoundMixerRender(IDirectSound* device, float* out, int frames);

// The output rate the device mixes at, in frames per second.
int DsoundMixerRate(IDirectSound* device);

// Marks a buffer's sample memory lost, as when another application takes the sound hardware:
// its content is gone, its voices stop, and it reports DSBSTATUS_BUFFERLOST until Restore.
void DsoundMarkBufferLost(IDirectSoundBuffer* buffer);
