// The per-frame world step: frame statistics, the animated objects and the water surface.
#pragma once

#include "win32/windows.h"

#include <cstdint>

// Set by the drain switch; the water then sinks to 1.0. Nothing clears it.
extern int32_t waterDrainActive;
// The water animation clock.
extern float waterTime;
// Frames since the last frame-rate measurement, and when it was taken (milliseconds).
extern int32_t statFrameCounter;
extern DWORD statStartTime;

// Measures the frame rate every 50 frames, moves the objects and waves the water. Always 0.
HRESULT UpdateWorld(float gameSpeed);
