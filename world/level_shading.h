// The level's per-vertex shading, fixed once at load time: the level is drawn with lighting
// off, so these colours are its light and shadow.
#pragma once

#include "win32/windows.h"

// With true shadows, whitens every level triangle that the shadow-marker model repeats
// exactly; without, shades every level vertex grey from its normal. Always 0.
HRESULT PrepareLevelShading();
