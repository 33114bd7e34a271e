// DXT1 and DXT5 block encoding of the builder's images. The build has time the loader has
// not: each colour block's end points follow the block's principal axis and are refined by
// least squares against the palette the platform's decoder shows, so smooth shading and
// fine grain survive better than with a bounding-box fit.
#pragma once

#include "image_io.h"

#include <cstdint>
#include <vector>

namespace levelbuild {

enum class BlockFormat { DXT1, DXT5 };

// The image as rows of 4x4 blocks, top row first (8 bytes a block for DXT1, 16 for DXT5).
// DXT1 blocks are always opaque four-colour blocks; DXT5 keeps alpha in eight steps between
// the block's lowest and highest alpha.
std::vector<uint8_t> EncodeDxt(BlockFormat format, const Image& image);

// The blocks decoded back to an image of the given size, as the platform decodes them.
Image DecodeDxt(BlockFormat format, const std::vector<uint8_t>& blocks, int width, int height);

} // namespace levelbuild
