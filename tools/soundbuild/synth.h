// Small synthesis kit for the sound builder: a seeded noise source, filters, envelopes,
// periodic processing for loops, and conversion to 16-bit samples. Everything is
// deterministic: the same build makes the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

using Signal = std::vector<float>;

constexpr double PI = 3.14159265358979323846;

// A seeded generator independent of the C library's rand.
class Noise {
  public:
    explicit Noise(uint32_t seed) : state(seed != 0 ? seed : 1u) {}
    // Uniform in [-1, 1).
    float Next();
    // Uniform in [low, high).
    float Range(float low, float high);

  private:
    uint32_t state;
};

// Second-order filter section (RBJ cookbook coefficients).
class Biquad {
  public:
    void SetLowpass(double rate, double frequency, double q);
    void SetHighpass(double rate, double frequency, double q);
    void SetBandpass(double rate, double frequency, double q);
    float Process(float x);

  private:
    void Set(double b0, double b1, double b2, double a0, double a1, double a2);
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// Feedback comb and all-pass stages of a small room, enough to put a sound at a distance.
class Reverb {
  public:
    Reverb(double rate, float decay, float wet);
    float Process(float x);

  private:
    struct Line {
        std::vector<float> data;
        size_t at = 0;
        float damp = 0;
    };
    std::vector<Line> combs;
    std::vector<Line> allpasses;
    float feedback;
    float wet;
};

// Runs a stateful per-sample process over a loop as if it had been playing forever:
// the loop is fed through it several times and the last pass kept, so the output is exactly
// periodic and its end joins its start without a step.
void ProcessPeriodic(Signal& loop, const std::function<float(float, size_t)>& process,
                     int passes = 3);

// Adds an event into a loop starting at sample start, wrapping past the end to the start.
void AddWrapped(Signal& loop, const Signal& event, size_t start);

// Scales the signal so that its largest magnitude is peak.
void Normalise(Signal& signal, float peak);

// Fades the first and last samples of a one-shot linearly from and to silence.
void FadeEdges(Signal& signal, size_t fadeIn, size_t fadeOut);

// Rounds to 16-bit samples with saturation.
std::vector<int16_t> ToPcm16(const Signal& signal);
