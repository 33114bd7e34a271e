// Sphere collision against the invisible collision hull (the model of data\L1add3.x).
#pragma once

#include "player/player_state.h"

// Moves the sphere from `from` to `to` and pushes it out of the hull; returns the corrected
// centre. normalOut receives the most upward contact normal, (0, 0, 0) without contact.
Vec3 CollideSphere(PlayerState& state, Vec3 from, Vec3 to, float radius, Vec3& normalOut);
