// The engine's corona tables, filled from the compiled-in corona places.
#include "world/corona_tables.h"

Vec3 coronaPositions[35];
float coronaRanges[35];
ColorValue coronaColors[35];

void FillCoronaPlaces() {
    for (int i = 0; i < CORONA_COUNT; ++i) {
        coronaPositions[i] = CORONA_PLACES[i].position;
        coronaRanges[i] = CORONA_PLACES[i].range;
    }
}

void FillCoronaColors() {
    for (int i = 0; i < CORONA_COUNT; ++i)
        coronaColors[i] = CoronaTint(i);
}
