// The level's 29 light coronas as the engine has them compiled in: where each glows, the
// distance within which it can show, and its tint. The engine fills its corona tables from
// here; the level builder hangs a lamp at each place and lights the level with its tint.
#pragma once

#include "core/vector_ops.h"

constexpr int CORONA_COUNT = 29;

struct CoronaPlace {
    Vec3 position;
    float range;
};

extern const CoronaPlace CORONA_PLACES[CORONA_COUNT];

// The tint of corona i: a warm default, plain white, yellowish or the one reddish lamp.
ColorValue CoronaTint(int corona);
