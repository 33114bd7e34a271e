// The mixer: sums every playing buffer of a device into interleaved stereo floats, with the
// platform's volume and pan laws, and clamps the sum. Also the test hooks on it.
#include "dsound/dsound_mixer.h"
#include "dsound/dsound_local.h"

#include <algorithm>
#include <cmath>

namespace {

bool manualMixing = false;
int manualRate = 44100;

} // namespace

float DsoundSideGain(LONG volume, LONG pan, bool right) {
    // A pan towards one side attenuates the other by the pan's hundredths of a decibel.
    const LONG attenuation = right ? std::min<LONG>(pan, 0) : -std::max<LONG>(pan, 0);
    return static_cast<float>(std::pow(10.0, (volume + attenuation) / 2000.0));
}

void DsoundMixer::Render(float* out, int frames) {
    std::fill(out, out + static_cast<size_t>(frames) * 2, 0.0f);
    std::lock_guard<std::mutex> lock(mutex);
    for (DsoundBuffer* buffer : buffers) {
        buffer->MixInto(out, frames);
    }
    for (size_t i = 0; i < static_cast<size_t>(frames) * 2; ++i) {
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
    }
}

void DsoundSetManualMixing(bool manual, int outputRate) {
    manualMixing = manual;
    manualRate = outputRate;
}

bool DsoundManualMixing(int* outputRate) {
    *outputRate = manualRate;
    return manualMixing;
}

void DsoundMixerRender(IDirectSound* device, float* out, int frames) {
    static_cast<DsoundDevice*>(device)->Mixer().Render(out, frames);
}

int DsoundMixerRate(IDirectSound* device) {
    return static_cast<DsoundDevice*>(device)->Mixer().outputRate;
}

void DsoundMarkBufferLost(IDirectSoundBuffer* buffer) {
    static_cast<DsoundBuffer*>(buffer)->MarkLost();
}
