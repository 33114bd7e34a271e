// The light coronas of the level as the engine keeps them: where each corona glows, the
// distance within which it can show, and its tint. LoadLevel fills the tables; until then
// they are zeroed storage.
#pragma once

#include "core/vector_ops.h"
#include "world/corona_places.h"

constexpr int CORONA_CAPACITY = 35;

extern Vec3 coronaPositions[35];
extern float coronaRanges[35];
extern ColorValue coronaColors[35];

// Writes the compiled-in positions and ranges of the 29 coronas into the tables.
void FillCoronaPlaces();

// Gives every corona its compiled-in tint.
void FillCoronaColors();
