// The four one-shot sounds: door, code tone, off tone and button. Each starts and ends at
// silence so that starting or cutting it off never clicks.
#include "sounds.h"

#include <algorithm>
#include <cmath>

namespace {

double Decay(double t, double frequency, double tau) {
    return t < 0 ? 0.0 : std::sin(2 * PI * frequency * t) * std::exp(-t / tau);
}

struct Note {
    double start;
    double frequency;
    double tau;    // decay time constant
    double length; // the note is released smoothly here
};

struct Partial {
    double multiple;
    double amplitude;
};

// Notes with a short attack, an exponential decay and a soft release.
Signal Notes(double rate, size_t size, const Note* notes, int count, const Partial* partials,
             int partialCount) {
    Signal out(size, 0.0f);
    for (int k = 0; k < count; ++k) {
        const Note& note = notes[k];
        for (size_t i = 0; i < size; ++i) {
            const double t = static_cast<double>(i) / rate - note.start;
            if (t < 0 || t > note.length) {
                continue;
            }
            const double attack = std::min(t / 0.005, 1.0);
            const double release = std::min((note.length - t) / 0.01, 1.0);
            double tone = 0;
            for (int p = 0; p < partialCount; ++p) {
                tone += partials[p].amplitude *
                        std::sin(2 * PI * note.frequency * partials[p].multiple * t);
            }
            out[i] += static_cast<float>(tone * attack * release * std::exp(-t / note.tau));
        }
    }
    return out;
}

} // namespace

Signal MakeDoor(double rate, size_t size) {
    Noise noise(0xD00Au);
    Biquad crack;
    crack.SetHighpass(rate, 1000, 0.7);
    Signal out(size);
    for (size_t i = 0; i < size; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double thump = 0.9 * Decay(t, 75, 0.035) + 0.5 * Decay(t, 150, 0.02);
        const double wood = 0.35 * Decay(t, 310, 0.025) + 0.25 * Decay(t, 720, 0.015);
        const double latch = 0.3 * Decay(t, 2350, 0.008) + 0.2 * Decay(t, 3900, 0.005) +
                             0.15 * Decay(t - 0.045, 2600, 0.006);
        const float hit = crack.Process(noise.Next() * static_cast<float>(std::exp(-t / 0.003)));
        out[i] = static_cast<float>(thump + wood + latch) + 0.6f * hit;
    }
    FadeEdges(out, 16, 300);
    Normalise(out, 0.9f);
    return out;
}

Signal MakeCodeTone(double rate, size_t size) {
    // A rising major arpeggio whose top note rings on.
    const double length = static_cast<double>(size) / rate;
    const Note notes[] = {{0.00, 880.00, 0.09, 0.14},
                          {0.13, 1108.73, 0.09, 0.14},
                          {0.26, 1318.51, 0.25, length - 0.26}};
    const Partial partials[] = {{1, 1.0}, {2, 0.25}, {3, 0.08}};
    Signal out = Notes(rate, size, notes, 3, partials, 3);
    FadeEdges(out, 8, static_cast<size_t>(0.02 * rate));
    Normalise(out, 0.7f);
    return out;
}

Signal MakeOffTone(double rate, size_t size) {
    // Falling and hollow: odd partials only, a fourth lower than where it started.
    const double length = static_cast<double>(size) / rate;
    const Note notes[] = {{0.00, 466.16, 0.06, 0.10}, {0.10, 349.23, 0.07, length - 0.10}};
    const Partial partials[] = {{1, 1.0}, {3, 0.3}, {5, 0.1}};
    Signal out = Notes(rate, size, notes, 2, partials, 3);
    FadeEdges(out, 8, static_cast<size_t>(0.008 * rate));
    Normalise(out, 0.7f);
    return out;
}

Signal MakeButton(double rate, size_t size) {
    Noise noise(0xB7Au);
    Biquad snap;
    snap.SetHighpass(rate, 1500, 0.7);
    Signal out(size);
    for (size_t i = 0; i < size; ++i) {
        const double t = static_cast<double>(i) / rate;
        const float tick = snap.Process(noise.Next() * static_cast<float>(std::exp(-t / 0.0015)));
        const double body = 0.6 * Decay(t, 2800, 0.006) + 0.3 * Decay(t, 1150, 0.01) +
                            0.3 * Decay(t - 0.03, 3300, 0.004);
        out[i] = 0.8f * tick + static_cast<float>(body);
    }
    FadeEdges(out, 8, 200);
    Normalise(out, 0.8f);
    return out;
}
