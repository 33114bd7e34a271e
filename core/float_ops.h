// Single-precision helpers the engine shares: sine and cosine as the double-precision library
// functions rounded to float, which the view and movement were tuned with, and the bit
// pattern of a float as the DWORD that float-valued render states travel in.
#pragma once

#include "win32/windows.h"

#include <bit>
#include <cmath>

inline float SinF(float angle) {
    return static_cast<float>(std::sin(static_cast<double>(angle)));
}

inline float CosF(float angle) {
    return static_cast<float>(std::cos(static_cast<double>(angle)));
}

inline DWORD FloatBits(float value) {
    static_assert(sizeof(DWORD) == sizeof(float));
    return std::bit_cast<DWORD>(value);
}
