// Conversion of a static buffer's PCM bytes to the float frames the mixer plays, done once
// when the buffer is unlocked: 8-bit unsigned or 16-bit signed, mono or stereo, any rate.
#include "dsound/dsound_local.h"

#include <cmath>
#include <cstring>

namespace {

float ReadSample(const BYTE* bytes, int bits, size_t index) {
    if (bits == 8) {
        return (static_cast<float>(bytes[index]) - 128.0f) / 128.0f;
    }
    int16_t value;
    std::memcpy(&value, bytes + index * 2, sizeof value);
    return static_cast<float>(value) / 32768.0f;
}

} // namespace

std::vector<float> DsoundConvert(const WAVEFORMATEX& format, const BYTE* bytes, size_t length,
                                 int outputRate, size_t* frames) {
    const int channels = format.nChannels;
    const int bits = format.wBitsPerSample;
    const size_t sourceFrames = length / format.nBlockAlign;
    *frames = 0;
    if (sourceFrames == 0) {
        return {};
    }
    const uint64_t sourceRate = format.nSamplesPerSec;
    std::vector<float> source(sourceFrames * channels);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = ReadSample(bytes, bits, i);
    }
    if (sourceRate == static_cast<uint64_t>(outputRate)) {
        *frames = sourceFrames;
        return source;
    }

    // Rounded to the nearest frame so that a loop keeps its length in time.
    uint64_t outFrames =
        (sourceFrames * static_cast<uint64_t>(outputRate) + sourceRate / 2) / sourceRate;
    if (outFrames == 0) {
        outFrames = 1;
    }
    std::vector<float> out(outFrames * channels);
    const double step = static_cast<double>(sourceRate) / outputRate;
    for (uint64_t i = 0; i < outFrames; ++i) {
        const double at = static_cast<double>(i) * step;
        size_t first = static_cast<size_t>(at);
        if (first >= sourceFrames) {
            first = sourceFrames - 1;
        }
        const size_t second = (first + 1) % sourceFrames;
        const float t = static_cast<float>(at - static_cast<double>(first));
        for (int c = 0; c < channels; ++c) {
            const float a = source[first * channels + c];
            const float b = source[second * channels + c];
            out[i * channels + c] = a + (b - a) * t;
        }
    }
    *frames = outFrames;
    return out;
}
