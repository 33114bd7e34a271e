// The engine's vector and matrix types: the D3DX types, whose inline operators give the exact
// single-precision arithmetic the movement, collision, camera and picking code relies on
// (division multiplies by the float reciprocal; minimum and maximum keep the second operand
// on ties and unordered compares). Single-precision sine, cosine and square root are the
// double functions rounded to float.
#pragma once

#include "d3dx/d3dx8math.h"

#include <cmath>

using Vec3 = D3DXVECTOR3;
using Matrix4 = D3DXMATRIX;
using ColorValue = D3DXCOLOR;

// Degrees to radians, as a 32-bit float.
constexpr float DEGREES_TO_RADIANS = 0.017453292f;
