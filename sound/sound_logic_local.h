// The ambience state behind SoundUpdate, visible to the sound module and its tests only.
#pragma once

#include "core/vector_ops.h"

// Angle of the ambience cycle in radians, kept within [0, pi].
extern float ambiencePhase;
// Overall ambience level: climbs to 1.0 in the open, sinks to 0.4 under shelter.
extern float ambienceLevel;
// Set once the three loops have been started.
extern bool ambienceStarted;
// Whether the listener stood in a sheltered area at the latest update.
extern bool sheltered;

// Whether a listener at position stands in one of the sheltered areas.
bool ListenerSheltered(const Vec3& position);
