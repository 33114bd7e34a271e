// The one DXTn block codec of the platform layer: 565 colours, the colour and alpha palettes
// of a block, and whole blocks to 32-bit ARGB. The texture upload decodes with it where GL
// cannot take compressed textures, D3DX converts DXT images with it, and the D3DX encoder picks
// each texel's palette entry from the same palette, so a block means the same colours
// everywhere. It needs neither a device nor GL.
#pragma once

#include "d3d8/d3d8types.h"

#include <cstdint>

// 8 for DXT1, 16 for DXT2 to DXT5.
uint32_t DxtBlockBytes(D3DFORMAT format);

// A 565 colour as 0x00RRGGBB, each channel widened by repeating its top bits (0 stays 0,
// 31 and 63 become 255).
uint32_t DxtExpand565(uint16_t color);

// The 565 colour nearest to the RGB of an ARGB word.
uint16_t DxtPack565(uint32_t argb);

// The four ARGB colours a colour block's end points give. threeColorAllowed is true for
// DXT1, whose blocks with the first colour not above the second hold three colours and
// transparent black; DXT2 to DXT5 colour blocks always hold four.
void DxtColorPalette(uint16_t color0, uint16_t color1, bool threeColorAllowed, uint32_t palette[4]);

// The eight alpha values of a DXT4/DXT5 alpha block's end points.
void DxtAlphaPalette(uint8_t alpha0, uint8_t alpha1, uint8_t values[8]);

// The sixteen texels of one block as ARGB words, row after row.
void DxtDecodeBlock(D3DFORMAT format, const uint8_t* block, uint32_t texels[16]);

// A width x height level of blocks (rows of blocks blockRowPitch bytes apart) as ARGB words,
// argbPitch words from one row to the next.
void DxtDecodeLevel(D3DFORMAT format, const uint8_t* blocks, uint32_t blockRowPitch, uint32_t width,
                    uint32_t height, uint32_t* argb, uint32_t argbPitch);
