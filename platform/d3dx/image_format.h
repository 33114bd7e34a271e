// What the texture loader needs to know about Direct3D 8 pixel formats: sizes, whether they
// carry alpha, and conversion of whole levels to and from 32-bit ARGB, including the DXT
// block formats.
#pragma once

#include "d3dx/image_decoded.h"

// True for DXT1 to DXT5.
bool IsBlockFormat(D3DFORMAT format);

// Bytes of one row (of blocks) and the number of rows (of blocks) of a level; false for a
// format this layer does not handle.
bool LevelLayout(D3DFORMAT format, uint32_t width, uint32_t height, uint32_t& pitch,
                 uint32_t& rows);

// The formats the sprite blends for: those whose pixels carry alpha.
bool FormatHasAlpha(D3DFORMAT format);

// A short name ("A8R8G8B8", "DXT1"...) for tools.
const char* FormatName(D3DFORMAT format);

// True when ConvertToArgb can decode the format and, for uncompressed formats,
// ConvertFromArgb can encode it.
bool CanConvert(D3DFORMAT format);

// The level as 32-bit ARGB words, row after row (pitch width * 4).
ImageLevel ConvertToArgb(D3DFORMAT format, const ImageLevel& level);

// Packs 32-bit ARGB pixels into an uncompressed format; false for block formats.
bool ConvertFromArgb(D3DFORMAT format, const ImageLevel& argb, ImageLevel& out);

// Packs 32-bit ARGB pixels into DXT1, DXT3 or DXT5 blocks; false for other formats.
bool EncodeBlocks(D3DFORMAT format, const ImageLevel& argb, ImageLevel& out);

// The next smaller mip level of a 32-bit ARGB level: each texel the average of the 2x2 (or
// 2x1, 1x2) texels it covers, rounded to nearest.
ImageLevel HalveArgb(const ImageLevel& level);

// Number of levels of a full chain down to 1x1.
uint32_t FullMipCount(uint32_t width, uint32_t height);
