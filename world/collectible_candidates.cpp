// The candidate places of the collectibles, from the yard to the upper floor of the house.
#include "world/collectible_candidates.h"

const Vec3 collectibleCandidates[COLLECTIBLE_CANDIDATE_COUNT] = {
    Vec3(-0.5f, 2.83f, 27.8f),  Vec3(2.8f, 2.53f, 20.3f),   Vec3(-9.7f, 2.5f, 23.3f),
    Vec3(-4.25f, 3.33f, 23.3f), Vec3(-7.8f, 3.1f, 25.0f),   Vec3(-3.0f, 3.41f, 28.2f),
    Vec3(-3.0f, 2.83f, 31.4f),  Vec3(-5.4f, 3.401f, 30.8f), Vec3(-5.6f, 2.83f, 30.5f),
    Vec3(-9.0f, 2.85f, 31.0f),  Vec3(-9.4f, 2.85f, 30.0f),  Vec3(-8.2f, 2.85f, 31.3f),
    Vec3(-7.3f, 2.85f, 31.4f),  Vec3(0.6f, 2.8f, 31.7f),    Vec3(-2.4f, 2.8f, 29.9f),
    Vec3(-0.75f, 2.8f, 31.7f),  Vec3(3.55f, 2.1f, 29.8f),   Vec3(6.2f, 2.53f, 29.1f),
    Vec3(9.6f, 2.75f, 31.5f),   Vec3(16.0f, 2.5f, 27.7f),   Vec3(14.55f, 3.25f, 27.5f),
    Vec3(5.6f, 2.8f, 20.3f),    Vec3(10.8f, 0.0f, 4.1f),    Vec3(10.1f, 0.1f, 3.5f),
    Vec3(8.2f, 0.1f, 3.4f),     Vec3(5.4f, 0.0f, 1.6f),     Vec3(-7.0f, 0.6f, 2.5f),
    Vec3(11.5f, 1.1f, 1.0f),    Vec3(-8.6f, 1.3f, 17.4f),   Vec3(12.85f, 4.8f, 26.3f),
    Vec3(14.6f, 4.8f, 22.8f),   Vec3(10.1f, 5.6f, 27.6f),   Vec3(7.3f, 4.82f, 24.4f),
    Vec3(0.35f, 4.8f, 23.4f),   Vec3(0.7f, 4.9f, 22.15f),   Vec3(1.4f, 4.9f, 22.2f),
    Vec3(2.3f, 4.9f, 22.1f),    Vec3(2.8f, 4.8f, 31.7f),    Vec3(5.5f, 5.2125f, 29.5f),
    Vec3(2.3f, 4.825f, 28.9f),  Vec3(0.25f, 5.72f, 28.9f),  Vec3(-0.1f, 4.8f, 29.6f),
    Vec3(-2.8f, 4.8f, 27.0f),   Vec3(-0.1f, 4.8f, 24.1f),   Vec3(-4.1f, 5.4f, 29.9f),
    Vec3(-3.1f, 4.8f, 27.75f),  Vec3(-3.2f, 5.62f, 28.4f),  Vec3(-6.05f, 4.8f, 29.0f),
    Vec3(-7.1f, 4.8f, 29.6f),   Vec3(-9.9f, 2.5f, 22.9f),
};
