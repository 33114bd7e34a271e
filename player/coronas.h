// The light coronas: one additive, camera-facing point sprite per lamp, fading in while the
// lamp is in sight and within its range.
#pragma once

#include "core/vector_ops.h"
#include "win32/windows.h"

#include <cstdint>

// Number of lamps with a corona; vertices 0 to 28 of the corona vertex buffer.
constexpr int CORONA_LIGHTS = 29;

// Current opacity of each corona, 0 to 1.
extern float coronaIntensity[CORONA_LIGHTS];
// Result of each lamp's last line-of-sight test (1 clear, 0 hidden).
extern int32_t coronaVisible[CORONA_LIGHTS];

// Fades the coronas for the eye and draws them over the frame; E_FAIL, with nothing changed or
// drawn, when the corona vertex buffer cannot be locked.
HRESULT DrawCoronas(float speed, Vec3 eye);
