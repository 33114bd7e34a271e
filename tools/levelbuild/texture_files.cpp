// Texture files: the mip chain, the choice between blocks and 32-bit texels, and the DDS.
#include "texture_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace levelbuild {

namespace {

// Below these the blocks show: grain turns into 4x4 tiles, or smooth shading (sky, soft
// shadows, light falling off) into bands.
constexpr double MIN_PSNR = 38.0;
constexpr double MIN_SMOOTH_PSNR = 44.0;

double Psnr(double squaredError, double samples) {
    if (squaredError <= 0 || samples <= 0) {
        return 99.0;
    }
    return 10.0 * std::log10(255.0 * 255.0 * samples / squaredError);
}

bool Opaque(const Image& image) {
    for (size_t i = 3; i < image.rgba.size(); i += 4) {
        if (image.rgba[i] != 255) {
            return false;
        }
    }
    return true;
}

// Whether the 4x4 block at (bx, by) varies by no more than 8 in any channel.
bool SmoothBlock(const Image& image, int bx, int by, int channels) {
    for (int c = 0; c < channels; ++c) {
        int lo = 255, hi = 0;
        for (int i = 0; i < 16; ++i) {
            const int v = image.At(bx * 4 + i % 4, by * 4 + i / 4)[c];
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        if (hi - lo > 8) {
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<Image> MipChain(const Image& image) {
    std::vector<Image> chain{image};
    while (chain.back().width > 1 || chain.back().height > 1) {
        chain.push_back(HalveImage(chain.back()));
    }
    return chain;
}

CompressionError MeasureCompression(BlockFormat format, const std::vector<Image>& levels,
                                    const std::vector<std::vector<uint8_t>>& blocks) {
    const int channels = format == BlockFormat::DXT5 ? 4 : 3;
    CompressionError result;
    double squared = 0, samples = 0, smoothSquared = 0, smoothSamples = 0;
    for (size_t l = 0; l < levels.size(); ++l) {
        const Image& want = levels[l];
        const Image got = DecodeDxt(format, blocks[l], want.width, want.height);
        for (int y = 0; y < want.height; ++y) {
            for (int x = 0; x < want.width; ++x) {
                for (int c = 0; c < channels; ++c) {
                    const int d = std::abs(want.At(x, y)[c] - got.At(x, y)[c]);
                    squared += static_cast<double>(d) * d;
                    result.largest = std::max(result.largest, d);
                }
            }
        }
        samples += static_cast<double>(want.width) * want.height * channels;
        if (l != 0 || want.width % 4 != 0 || want.height % 4 != 0) {
            continue;
        }
        for (int by = 0; by < want.height / 4; ++by) {
            for (int bx = 0; bx < want.width / 4; ++bx) {
                if (!SmoothBlock(want, bx, by, channels)) {
                    continue;
                }
                for (int i = 0; i < 16; ++i) {
                    const int x = bx * 4 + i % 4, y = by * 4 + i / 4;
                    for (int c = 0; c < channels; ++c) {
                        const int d = want.At(x, y)[c] - got.At(x, y)[c];
                        smoothSquared += static_cast<double>(d) * d;
                    }
                }
                smoothSamples += 16.0 * channels;
            }
        }
    }
    result.psnr = Psnr(squared, samples);
    result.smooth = Psnr(smoothSquared, smoothSamples);
    return result;
}

TextureFile MakeTextureFile(const Image& image) {
    TextureFile file;
    file.levels = MipChain(image);
    const bool opaque = Opaque(image);
    const BlockFormat blockFormat = opaque ? BlockFormat::DXT1 : BlockFormat::DXT5;
    for (const Image& level : file.levels) {
        file.blocks.push_back(EncodeDxt(blockFormat, level));
    }
    file.error = MeasureCompression(blockFormat, file.levels, file.blocks);
    if (file.error.psnr >= MIN_PSNR && file.error.smooth >= MIN_SMOOTH_PSNR) {
        file.format = opaque ? DdsFormat::DXT1 : DdsFormat::DXT5;
    } else {
        file.format = opaque ? DdsFormat::X8R8G8B8 : DdsFormat::A8R8G8B8;
        file.blocks.clear();
    }
    return file;
}

bool WriteTextureFile(const std::string& path, const TextureFile& file) {
    std::vector<std::vector<uint8_t>> bytes;
    if (file.blocks.empty()) {
        for (const Image& level : file.levels) {
            bytes.push_back(DdsArgbBytes(level));
        }
    }
    const Image& top = file.levels.front();
    return WriteDdsLevels(path, file.format, top.width, top.height,
                          file.blocks.empty() ? bytes : file.blocks);
}

std::string DescribeTextureFile(const std::string& name, const TextureFile& file) {
    static const char* const NAMES[] = {"A8R8G8B8", "X8R8G8B8", "DXT1", "DXT5"};
    char line[200];
    std::snprintf(line, sizeof line,
                  "%s: %s %dx%d, %zu levels; blocks %.1f dB (smooth %.1f), "
                  "largest error %d\n",
                  name.c_str(), NAMES[static_cast<int>(file.format)], file.levels.front().width,
                  file.levels.front().height, file.levels.size(), file.error.psnr,
                  file.error.smooth, file.error.largest);
    return line;
}

} // namespace levelbuild
