// The level's texture files: DDS with the whole mip chain made at build time, so the game
// only copies levels at start-up. Each texture is stored block-compressed where that keeps
// its look and uncompressed where the blocks would show.
#pragma once

#include "dxt_encoder.h"
#include "image_io.h"

#include <string>
#include <vector>

namespace levelbuild {

// How far a compressed chain is from the uncompressed one, over all levels and channels
// (alpha included for DXT5).
struct CompressionError {
    double psnr = 0;   // dB, over every channel of every texel of the chain
    int largest = 0;   // largest error of one channel of one texel
    double smooth = 0; // dB over the blocks of the top level whose texels vary by 8 or less
};

struct TextureFile {
    DdsFormat format = DdsFormat::A8R8G8B8;
    std::vector<Image> levels;                // the uncompressed chain, level 0 first
    std::vector<std::vector<uint8_t>> blocks; // per level, for DXT1 and DXT5
    CompressionError error;                   // of the blocks against levels
};

// Level 0 and every smaller level down to 1x1, each the 2x2 box average of the one above,
// rounded to nearest: the filter the texture loader itself would use.
std::vector<Image> MipChain(const Image& image);

// Measures a compressed chain against the uncompressed chain it was made from.
CompressionError MeasureCompression(BlockFormat format, const std::vector<Image>& levels,
                                    const std::vector<std::vector<uint8_t>>& blocks);

// Builds the chain and picks the format: DXT1 for opaque images, DXT5 for those with alpha,
// unless the error passes the limits below; then 32-bit, X8R8G8B8 when every texel is opaque.
TextureFile MakeTextureFile(const Image& image);

// Writes the file in its format with every level; false on failure.
bool WriteTextureFile(const std::string& path, const TextureFile& file);

// A short line for the build log: format, size and, for compressed files, the error.
std::string DescribeTextureFile(const std::string& name, const TextureFile& file);

} // namespace levelbuild
