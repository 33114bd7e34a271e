// The three ambience loops. Events are laid into the loop wrapping past its end, and every
// filter and echo runs as if the loop had always been playing, so the loops join cleanly.
#include "sounds.h"

#include <algorithm>
#include <cmath>

namespace {

// One bark: a harmonic voice whose pitch jumps up and falls back, with breath noise, shaped
// by mouth resonances.
Signal Bark(double rate, float pitch, float length, Noise& noise) {
    const size_t n = static_cast<size_t>(length * rate);
    Signal voice(n);
    Biquad formant1, formant2, formant3;
    formant1.SetBandpass(rate, 700, 2.5);
    formant2.SetBandpass(rate, 1400, 3.0);
    formant3.SetBandpass(rate, 2600, 4.0);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double u = t / length;
        const double f = pitch * (1.0 + 0.25 * std::sin(PI * std::min(u * 1.6, 1.0)) - 0.3 * u);
        phase += 2 * PI * f / rate;
        double harmonics = 0;
        for (int k = 1; k <= 10; ++k) {
            harmonics += std::sin(k * phase) / std::pow(k, 0.9);
        }
        const double attack = std::min(t / 0.012, 1.0);
        const double decay = t < 0.012 ? 1.0 : std::exp(-(t - 0.012) / (length * 0.35));
        const float source = static_cast<float>(harmonics * 0.8) + noise.Next() * 0.35f;
        const float shaped = source * static_cast<float>(attack * decay * (1.0 - u));
        voice[i] = formant1.Process(shaped) + 0.6f * formant2.Process(shaped) +
                   0.25f * formant3.Process(shaped);
    }
    return voice;
}

// One chirp: a sine gliding from f0 to f1 under a smooth window, with a touch of overtone.
Signal Chirp(double rate, float f0, float f1, float length, float vibrato) {
    const size_t n = static_cast<size_t>(length * rate);
    Signal out(n);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const double u = static_cast<double>(i) / static_cast<double>(n);
        const double glide = 0.5 - 0.5 * std::cos(PI * u);
        const double f = f0 + (f1 - f0) * glide + vibrato * std::sin(2 * PI * 35 * u * length);
        phase += 2 * PI * f / rate;
        const double window = std::pow(std::sin(PI * u), 2);
        out[i] = static_cast<float>(window * (std::sin(phase) + 0.12 * std::sin(2 * phase)));
    }
    return out;
}

void AddScaled(Signal& loop, const Signal& event, size_t start, float gain) {
    Signal scaled = event;
    for (float& x : scaled) {
        x *= gain;
    }
    AddWrapped(loop, scaled, start);
}

} // namespace

Signal MakeDogs(double rate, size_t size) {
    Signal loop(size, 0.0f);
    Noise noise(0x0D065u);
    struct Dog {
        float pitch;
        float gain;
    };
    const Dog near{480, 1.0f}, far{360, 0.55f}, farther{600, 0.35f};
    const struct {
        double time;
        Dog dog;
    } barks[] = {{0.05, near}, {0.30, near},    {0.80, far},     {1.02, far}, {1.24, far},
                 {1.70, near}, {2.05, farther}, {2.22, farther}, {2.45, near}};
    for (const auto& bark : barks) {
        const float length = noise.Range(0.13f, 0.18f);
        const float pitch = bark.dog.pitch * noise.Range(0.95f, 1.05f);
        AddScaled(loop, Bark(rate, pitch, length, noise), static_cast<size_t>(bark.time * rate),
                  bark.dog.gain);
    }
    // The open air behind them.
    Biquad airFilter;
    airFilter.SetLowpass(rate, 400, 0.7);
    Signal air(size);
    for (float& x : air) {
        x = 0.05f * noise.Next();
    }
    ProcessPeriodic(air, [&](float x, size_t) { return airFilter.Process(x); });
    for (size_t i = 0; i < size; ++i) {
        loop[i] += air[i];
    }
    // Distance takes the highs away and adds the yard's echo.
    Biquad far1, far2;
    far1.SetLowpass(rate, 1800, 0.7);
    far2.SetLowpass(rate, 1800, 0.7);
    Reverb yard(rate, 0.6f, 0.45f);
    ProcessPeriodic(loop,
                    [&](float x, size_t) { return yard.Process(far2.Process(far1.Process(x))); });
    Normalise(loop, 0.8f);
    return loop;
}

Signal MakeBirds(double rate, size_t size) {
    Signal loop(size, 0.0f);
    Noise noise(0xB12D5u);
    const double length = static_cast<double>(size) / rate;
    double time = 0.1;
    while (time < length - 0.05) {
        const size_t start = static_cast<size_t>(time * rate);
        const int kind = static_cast<int>((noise.Next() + 1.0f) * 1.5f);
        const float gain = noise.Range(0.4f, 1.0f);
        double songLength = 0;
        if (kind == 0) {
            // A whistled phrase of a few gliding notes.
            const int notes = 3 + static_cast<int>((noise.Next() + 1.0f) * 1.0f);
            double at = 0;
            for (int i = 0; i < notes; ++i) {
                const float f0 = noise.Range(1800, 3200);
                const float f1 = f0 * noise.Range(0.8f, 1.3f);
                const float noteLength = noise.Range(0.12f, 0.25f);
                AddScaled(loop, Chirp(rate, f0, f1, noteLength, 40), start + size_t(at * rate),
                          gain);
                at += noteLength + noise.Range(0.03f, 0.08f);
            }
            songLength = at;
        } else if (kind == 1) {
            // A fast trill sinking a little.
            const int notes = 8 + static_cast<int>((noise.Next() + 1.0f) * 2.0f);
            const float base = noise.Range(4000, 5000);
            for (int i = 0; i < notes; ++i) {
                const float f = base * (1.0f - 0.015f * static_cast<float>(i));
                AddScaled(loop, Chirp(rate, f * 1.1f, f * 0.9f, 0.04f, 0),
                          start + static_cast<size_t>(i * 0.055 * rate), gain * 0.6f);
            }
            songLength = notes * 0.055;
        } else {
            // Two or three quick rising tweets.
            const int notes = 2 + static_cast<int>(noise.Next() + 1.0f);
            for (int i = 0; i < notes; ++i) {
                AddScaled(loop, Chirp(rate, 2500, noise.Range(4200, 4800), 0.06f, 0),
                          start + static_cast<size_t>(i * 0.11 * rate), gain * 0.8f);
            }
            songLength = notes * 0.11;
        }
        time += songLength + noise.Range(0.25f, 0.8f);
    }
    // Leaves rustling, barely there.
    Biquad leaves;
    leaves.SetHighpass(rate, 3000, 0.7);
    Signal rustle(size);
    for (float& x : rustle) {
        x = 0.015f * noise.Next();
    }
    ProcessPeriodic(rustle, [&](float x, size_t) { return leaves.Process(x); });
    for (size_t i = 0; i < size; ++i) {
        loop[i] += rustle[i];
    }
    Biquad air;
    air.SetLowpass(rate, 8000, 0.7);
    Reverb trees(rate, 0.5f, 0.25f);
    ProcessPeriodic(loop, [&](float x, size_t) { return trees.Process(air.Process(x)); });
    Normalise(loop, 0.75f);
    return loop;
}

Signal MakeWind(double rate, size_t size) {
    Noise noise(0x5157Du);
    Signal loop(size);
    for (float& x : loop) {
        x = noise.Next();
    }
    const double n = static_cast<double>(size);
    Biquad howl, rumble, soften;
    rumble.SetLowpass(rate, 180, 0.7);
    // A band-pass alone leaves a hiss above the howl; wind through a yard is duller.
    soften.SetLowpass(rate, 1500, 0.7);
    ProcessPeriodic(loop, [&](float x, size_t i) {
        const double u = static_cast<double>(i) / n;
        // Whole cycles per loop keep the sweep and the gusts periodic.
        if (i % 64 == 0) {
            const double centre =
                420 + 220 * std::sin(2 * PI * 2 * u + 0.7) + 90 * std::sin(2 * PI * 5 * u);
            howl.SetBandpass(rate, centre, 0.9);
        }
        const double gust =
            0.55 + 0.3 * std::sin(2 * PI * u) + 0.15 * std::sin(2 * PI * 3 * u + 1.1);
        return static_cast<float>(gust) *
               (soften.Process(howl.Process(x)) + 0.8f * rumble.Process(x));
    });
    Normalise(loop, 0.7f);
    return loop;
}
