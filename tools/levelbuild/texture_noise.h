// Tileable noise for the procedural textures: hashed lattice values, fractal value noise and
// cellular (nearest feature point) noise, all periodic over the texture so that it repeats
// without seams.
#pragma once

#include <cmath>
#include <cstdint>

namespace levelbuild {

inline uint32_t Hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// A value in 0..1 fixed by the lattice point and the seed.
inline float Rand01(int x, int y, int seed) {
    return (Hash(x, y, seed) & 0xFFFFFF) / 16777215.0f;
}

inline int Wrap(int i, int period) {
    return ((i % period) + period) % period;
}

// Value noise on a lattice of period cells, so that the texture tiles.
inline float Noise(float x, float y, int period, int seed) {
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int i, int j) { return Rand01(Wrap(i, period), Wrap(j, period), seed); };
    float a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Fractal noise in 0..1 at pixel (px, py) of a texture of size pixels, with freq lattice
// cells across the texture in its coarsest octave.
inline float Fbm(float px, float py, int size, int freq, int octaves, int seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        int f = freq << o;
        sum += Noise(px * f / size, py * f / size, f, seed + o * 17) * amp;
        norm += amp;
        amp *= 0.5f;
    }
    return sum / norm;
}

// Nearest and second-nearest feature points of cellular noise with cells x cells points
// across the texture, one jittered point per cell. Distances are in cells.
struct CellSample {
    float nearest = 9, second = 9;
    int cellX = 0, cellY = 0; // the nearest point's cell, wrapped into the texture
};

inline CellSample Cellular(float px, float py, int size, int cells, int seed, float jitter = 0.8f) {
    float x = px * cells / size, y = py * cells / size;
    int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    CellSample s;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            int gx = Wrap(cx + i, cells), gy = Wrap(cy + j, cells);
            float fx = cx + i + 0.5f + (Rand01(gx, gy, seed) - 0.5f) * jitter;
            float fy = cy + j + 0.5f + (Rand01(gx, gy, seed + 1) - 0.5f) * jitter;
            float d = std::sqrt((fx - x) * (fx - x) + (fy - y) * (fy - y));
            if (d < s.nearest) {
                s.second = s.nearest;
                s.nearest = d;
                s.cellX = gx, s.cellY = gy;
            } else if (d < s.second) {
                s.second = d;
            }
        }
    }
    return s;
}

} // namespace levelbuild
