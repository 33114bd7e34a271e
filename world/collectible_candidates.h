// The 50 compiled-in places where collectibles may lie; LoadLevel picks ten of them.
#pragma once

#include "core/vector_ops.h"

constexpr int COLLECTIBLE_CANDIDATE_COUNT = 50;
// The tenth collectible always lies here, behind the door that only the last switch opens.
constexpr int FIXED_COLLECTIBLE_CANDIDATE = 44;

extern const Vec3 collectibleCandidates[COLLECTIBLE_CANDIDATE_COUNT];
