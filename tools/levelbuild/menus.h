// The three full-screen menu images (title, main menu, end screen), 512 by 512, with their
// text drawn in the builder's own 5x7 bitmap font.
#pragma once

#include "image_io.h"

#include <string>

namespace levelbuild {

// Draws text with the 5x7 font at pixel (x, y), each font pixel scale x scale, in colour rgb.
// Returns the width drawn. Lower-case letters are drawn as capitals.
int DrawText(Image& image, int x, int y, const std::string& text, int scale, float r, float g,
             float b);

// Width in pixels that DrawText would take.
int TextWidth(const std::string& text, int scale);

Image MakeTitleScreen();
Image MakeMainMenu();
Image MakeEndScreen();

} // namespace levelbuild
