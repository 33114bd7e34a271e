// The builder's DXT encoder. Every candidate pair of end points is judged by the colours the
// platform's decoder gives it (its own palette, rounding included), so the error measured
// here is the error the game shows.
#include "dxt_encoder.h"

#include "parallel_for.h"

#include "d3d8/dxt_codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace levelbuild {

namespace {

struct Block {
    std::array<std::array<int, 4>, 16> texels; // r, g, b, a
};

Block ReadBlock(const Image& image, int bx, int by) {
    Block block;
    for (int i = 0; i < 16; ++i) {
        // Texels past the edge of a small level repeat the last row and column.
        const int x = std::min(bx * 4 + i % 4, image.width - 1);
        const int y = std::min(by * 4 + i / 4, image.height - 1);
        const uint8_t* p = image.At(x, y);
        block.texels[i] = {p[0], p[1], p[2], p[3]};
    }
    return block;
}

int ColorDistance(const std::array<int, 4>& t, uint32_t argb) {
    const int dr = t[0] - static_cast<int>((argb >> 16) & 0xFF);
    const int dg = t[1] - static_cast<int>((argb >> 8) & 0xFF);
    const int db = t[2] - static_cast<int>(argb & 0xFF);
    return dr * dr + dg * dg + db * db;
}

struct ColorFit {
    uint16_t c0 = 0, c1 = 0;
    uint32_t bits = 0;
    long error = -1;
};

// Indices and squared error of a pair of end points in four-colour mode (c0 > c1; equal
// end points give one colour).
ColorFit Evaluate(const Block& block, uint16_t a, uint16_t b, bool dxt1) {
    ColorFit fit;
    fit.c0 = std::max(a, b);
    fit.c1 = std::min(a, b);
    uint32_t palette[4];
    DxtColorPalette(fit.c0, fit.c1, dxt1, palette);
    // With equal end points a DXT1 block is in three-colour mode: entry 3 is transparent.
    const int choices = fit.c0 == fit.c1 ? 1 : 4;
    fit.error = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0, bestDistance = ColorDistance(block.texels[i], palette[0]);
        for (int k = 1; k < choices; ++k) {
            const int d = ColorDistance(block.texels[i], palette[k]);
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        fit.bits |= static_cast<uint32_t>(best) << (2 * i);
        fit.error += bestDistance;
    }
    return fit;
}

uint16_t Pack565(float r, float g, float b) {
    auto q = [](float v, int levels) {
        return static_cast<uint32_t>(
            std::clamp(std::lround(v * levels / 255.0f), 0L, static_cast<long>(levels)));
    };
    return static_cast<uint16_t>(q(r, 31) << 11 | q(g, 63) << 5 | q(b, 31));
}

// End points along the block's principal axis, through its extremes.
void AxisEndPoints(const Block& block, std::array<float, 3>& hi, std::array<float, 3>& lo) {
    std::array<float, 3> mean{};
    for (const auto& t : block.texels)
        for (int k = 0; k < 3; ++k)
            mean[k] += t[k] / 16.0f;
    float cov[3][3] = {};
    for (const auto& t : block.texels)
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                cov[i][j] += (t[i] - mean[i]) * (t[j] - mean[j]);
    std::array<float, 3> axis{1, 1, 1};
    for (int iteration = 0; iteration < 8; ++iteration) {
        std::array<float, 3> next{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                next[i] += cov[i][j] * axis[j];
        const float length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
        if (length < 1e-6f)
            break;
        for (int i = 0; i < 3; ++i)
            axis[i] = next[i] / length;
    }
    float minProj = 1e30f, maxProj = -1e30f;
    for (const auto& t : block.texels) {
        const float p =
            (t[0] - mean[0]) * axis[0] + (t[1] - mean[1]) * axis[1] + (t[2] - mean[2]) * axis[2];
        minProj = std::min(minProj, p);
        maxProj = std::max(maxProj, p);
    }
    for (int k = 0; k < 3; ++k) {
        hi[k] = mean[k] + axis[k] * maxProj;
        lo[k] = mean[k] + axis[k] * minProj;
    }
}

// The end points that best reproduce the block for the indices of fit, by least squares.
bool Refine(const Block& block, const ColorFit& fit, uint16_t& a, uint16_t& b) {
    static constexpr float WEIGHT[4] = {1.0f, 0.0f, 2.0f / 3.0f, 1.0f / 3.0f}; // share of c0
    float aa = 0, bb = 0, ab = 0;
    std::array<float, 3> ax{}, bx{};
    for (int i = 0; i < 16; ++i) {
        const float w = WEIGHT[(fit.bits >> (2 * i)) & 3];
        aa += w * w;
        bb += (1 - w) * (1 - w);
        ab += w * (1 - w);
        for (int k = 0; k < 3; ++k) {
            ax[k] += w * block.texels[i][k];
            bx[k] += (1 - w) * block.texels[i][k];
        }
    }
    const float det = aa * bb - ab * ab;
    if (std::fabs(det) < 1e-6f)
        return false;
    std::array<float, 3> c0{}, c1{};
    for (int k = 0; k < 3; ++k) {
        c0[k] = (ax[k] * bb - bx[k] * ab) / det;
        c1[k] = (bx[k] * aa - ax[k] * ab) / det;
    }
    a = Pack565(c0[0], c0[1], c0[2]);
    b = Pack565(c1[0], c1[1], c1[2]);
    return true;
}

// A 565 colour moved by one step in one channel; false past the channel's range.
bool Step(uint16_t c, int channel, int delta, uint16_t& out) {
    static constexpr int SHIFT[3] = {11, 5, 0}, MAX[3] = {31, 63, 31};
    const int v = ((c >> SHIFT[channel]) & MAX[channel]) + delta;
    if (v < 0 || v > MAX[channel])
        return false;
    out = static_cast<uint16_t>((c & ~(MAX[channel] << SHIFT[channel])) | v << SHIFT[channel]);
    return true;
}

void EncodeColors(const Block& block, bool dxt1, uint8_t* out) {
    std::array<float, 3> hi{}, lo{};
    AxisEndPoints(block, hi, lo);
    ColorFit best =
        Evaluate(block, Pack565(hi[0], hi[1], hi[2]), Pack565(lo[0], lo[1], lo[2]), dxt1);
    for (int round = 0; round < 3 && best.error > 0; ++round) {
        uint16_t a = 0, b = 0;
        if (!Refine(block, best, a, b))
            break;
        const ColorFit refined = Evaluate(block, a, b, dxt1);
        if (refined.error >= best.error)
            break;
        best = refined;
    }
    // Rounding to 565 loses what least squares found; a step either way per channel often
    // wins it back.
    for (bool improved = best.error > 0; improved;) {
        improved = false;
        for (int end = 0; end < 2; ++end)
            for (int channel = 0; channel < 3; ++channel)
                for (int delta = -1; delta <= 1; delta += 2) {
                    uint16_t moved = 0;
                    if (!Step(end == 0 ? best.c0 : best.c1, channel, delta, moved))
                        continue;
                    const ColorFit fit = end == 0 ? Evaluate(block, moved, best.c1, dxt1)
                                                  : Evaluate(block, best.c0, moved, dxt1);
                    if (fit.error < best.error) {
                        best = fit;
                        improved = true;
                    }
                }
    }
    out[0] = static_cast<uint8_t>(best.c0);
    out[1] = static_cast<uint8_t>(best.c0 >> 8);
    out[2] = static_cast<uint8_t>(best.c1);
    out[3] = static_cast<uint8_t>(best.c1 >> 8);
    for (int k = 0; k < 4; ++k)
        out[4 + k] = static_cast<uint8_t>(best.bits >> (8 * k));
}

// Alpha indices and squared error for one pair of alpha end points.
long FitAlpha(const Block& block, uint8_t a0, uint8_t a1, uint64_t& bits) {
    uint8_t values[8];
    DxtAlphaPalette(a0, a1, values);
    long error = 0;
    bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0, bestDistance = 1 << 30;
        for (int k = 0; k < 8; ++k) {
            const int d = std::abs(block.texels[i][3] - values[k]);
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        bits |= static_cast<uint64_t>(best) << (3 * i);
        error += static_cast<long>(bestDistance) * bestDistance;
    }
    return error;
}

// Eight steps between the lowest and highest alpha, or six between the lowest and highest
// that are neither 0 nor 255 with 0 and 255 exact: cut-out edges in smaller levels keep both.
void EncodeAlpha(const Block& block, uint8_t* out) {
    int lo = 255, hi = 0, innerLo = 255, innerHi = 0;
    for (const auto& t : block.texels) {
        lo = std::min(lo, t[3]);
        hi = std::max(hi, t[3]);
        if (t[3] != 0 && t[3] != 255) {
            innerLo = std::min(innerLo, t[3]);
            innerHi = std::max(innerHi, t[3]);
        }
    }
    uint8_t a0 = static_cast<uint8_t>(hi), a1 = static_cast<uint8_t>(lo);
    uint64_t bits = 0;
    long error = FitAlpha(block, a0, a1, bits);
    if (error > 0 && innerLo <= innerHi) {
        uint64_t sixBits = 0;
        const long sixError =
            FitAlpha(block, static_cast<uint8_t>(innerLo), static_cast<uint8_t>(innerHi), sixBits);
        if (sixError < error) {
            a0 = static_cast<uint8_t>(innerLo);
            a1 = static_cast<uint8_t>(innerHi);
            bits = sixBits;
        }
    }
    out[0] = a0;
    out[1] = a1;
    for (int k = 0; k < 6; ++k)
        out[2 + k] = static_cast<uint8_t>(bits >> (8 * k));
}

int BlocksAcross(int size) {
    return std::max(1, (size + 3) / 4);
}

} // namespace

std::vector<uint8_t> EncodeDxt(BlockFormat format, const Image& image) {
    const int across = BlocksAcross(image.width), down = BlocksAcross(image.height);
    const size_t blockBytes = format == BlockFormat::DXT1 ? 8 : 16;
    std::vector<uint8_t> out(static_cast<size_t>(across) * down * blockBytes);
    ParallelFor(static_cast<size_t>(down), 4, [&](size_t begin, size_t end) {
        for (size_t by = begin; by < end; ++by)
            for (int bx = 0; bx < across; ++bx) {
                const Block block = ReadBlock(image, bx, static_cast<int>(by));
                uint8_t* dst = out.data() + (by * across + bx) * blockBytes;
                if (format == BlockFormat::DXT1) {
                    EncodeColors(block, true, dst);
                } else {
                    EncodeAlpha(block, dst);
                    EncodeColors(block, false, dst + 8);
                }
            }
    });
    return out;
}

Image DecodeDxt(BlockFormat format, const std::vector<uint8_t>& blocks, int width, int height) {
    const D3DFORMAT d3d = format == BlockFormat::DXT1 ? D3DFMT_DXT1 : D3DFMT_DXT5;
    const uint32_t rowPitch = static_cast<uint32_t>(BlocksAcross(width)) * DxtBlockBytes(d3d);
    std::vector<uint32_t> argb(static_cast<size_t>(width) * height);
    DxtDecodeLevel(d3d, blocks.data(), rowPitch, static_cast<uint32_t>(width),
                   static_cast<uint32_t>(height), argb.data(), static_cast<uint32_t>(width));
    Image image(width, height);
    for (size_t i = 0; i < argb.size(); ++i) {
        const uint32_t c = argb[i];
        image.rgba[i * 4 + 0] = static_cast<uint8_t>(c >> 16);
        image.rgba[i * 4 + 1] = static_cast<uint8_t>(c >> 8);
        image.rgba[i * 4 + 2] = static_cast<uint8_t>(c);
        image.rgba[i * 4 + 3] = static_cast<uint8_t>(c >> 24);
    }
    return image;
}

} // namespace levelbuild
