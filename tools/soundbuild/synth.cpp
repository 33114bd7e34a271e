// The synthesis kit: noise, RBJ biquads, a Schroeder-style reverb, loop helpers.
#include "synth.h"

#include <algorithm>
#include <cmath>

float Noise::Next() {
    // xorshift32: fast, tiny state, identical on every host.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
}

float Noise::Range(float low, float high) {
    return low + (high - low) * (Next() + 1.0f) / 2.0f;
}

void Biquad::Set(double nb0, double nb1, double nb2, double a0, double na1, double na2) {
    b0 = static_cast<float>(nb0 / a0);
    b1 = static_cast<float>(nb1 / a0);
    b2 = static_cast<float>(nb2 / a0);
    a1 = static_cast<float>(na1 / a0);
    a2 = static_cast<float>(na2 / a0);
}

void Biquad::SetLowpass(double rate, double frequency, double q) {
    const double w = 2 * PI * frequency / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    Set((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::SetHighpass(double rate, double frequency, double q) {
    const double w = 2 * PI * frequency / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    Set((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::SetBandpass(double rate, double frequency, double q) {
    // Constant 0 dB peak gain.
    const double w = 2 * PI * frequency / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    Set(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

float Biquad::Process(float x) {
    const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

Reverb::Reverb(double rate, float decay, float wetIn) : feedback(decay), wet(wetIn) {
    // Mutually prime delays in milliseconds keep the echoes from lining up.
    for (double ms : {29.7, 37.1, 41.1, 43.7}) {
        combs.push_back(
            {std::vector<float>(static_cast<size_t>(ms * rate / 1000.0), 0.0f), 0, 0.0f});
    }
    for (double ms : {5.0, 1.7}) {
        allpasses.push_back(
            {std::vector<float>(static_cast<size_t>(ms * rate / 1000.0), 0.0f), 0, 0.0f});
    }
}

float Reverb::Process(float x) {
    float sum = 0;
    for (Line& comb : combs) {
        const float delayed = comb.data[comb.at];
        comb.damp = delayed * 0.7f + comb.damp * 0.3f; // walls absorb the highs
        comb.data[comb.at] = x + comb.damp * feedback;
        comb.at = (comb.at + 1) % comb.data.size();
        sum += delayed;
    }
    float y = sum * 0.25f;
    for (Line& pass : allpasses) {
        const float delayed = pass.data[pass.at];
        const float input = y + delayed * 0.5f;
        pass.data[pass.at] = input;
        pass.at = (pass.at + 1) % pass.data.size();
        y = delayed - input * 0.5f;
    }
    return x * (1.0f - wet) + y * wet;
}

void ProcessPeriodic(Signal& loop, const std::function<float(float, size_t)>& process, int passes) {
    Signal out(loop.size());
    for (int pass = 0; pass < passes; ++pass) {
        for (size_t i = 0; i < loop.size(); ++i) {
            out[i] = process(loop[i], i);
        }
    }
    loop.swap(out);
}

void AddWrapped(Signal& loop, const Signal& event, size_t start) {
    for (size_t i = 0; i < event.size(); ++i) {
        loop[(start + i) % loop.size()] += event[i];
    }
}

void Normalise(Signal& signal, float peak) {
    float largest = 0;
    for (float x : signal) {
        largest = std::max(largest, std::fabs(x));
    }
    if (largest > 0) {
        for (float& x : signal) {
            x *= peak / largest;
        }
    }
}

void FadeEdges(Signal& signal, size_t fadeIn, size_t fadeOut) {
    const size_t n = signal.size();
    for (size_t i = 0; i < fadeIn && i < n; ++i) {
        signal[i] *= static_cast<float>(i) / static_cast<float>(fadeIn);
    }
    for (size_t i = 0; i < fadeOut && i < n; ++i) {
        signal[n - 1 - i] *= static_cast<float>(i) / static_cast<float>(fadeOut);
    }
}

std::vector<int16_t> ToPcm16(const Signal& signal) {
    std::vector<int16_t> out(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        const float scaled = std::clamp(signal[i] * 32767.0f, -32768.0f, 32767.0f);
        out[i] = static_cast<int16_t>(std::lround(scaled));
    }
    return out;
}
