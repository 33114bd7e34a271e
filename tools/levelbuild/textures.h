// Procedural textures of the level (brick, plaster, wood, stone, tiles, grass, water, sky,
// foliage and railings with alpha cut-outs, shadow decals) and the HUD and corona images.
#pragma once

#include "image_io.h"

#include <string>

namespace levelbuild {

// Draws the named texture; false if the name is unknown.
bool MakeTexture(const std::string& name, Image& image);

// Radial glow for the light coronas.
Image MakeCoronaSprite();
// Rotating HUD emblem, 64x64 with alpha.
Image MakeHudIcon();
// Small collectible icon, 16x16 with alpha.
Image MakeCollectibleIcon();
// Fade overlay texture.
Image MakeFadeOverlay();
// Crosshair, 8x8 with alpha.
Image MakeCrosshair();
// Spare image the game loads but never shows.
Image MakeSpareImage();
// Window icon, 32x32 with alpha.
Image MakeWindowIcon();

} // namespace levelbuild
