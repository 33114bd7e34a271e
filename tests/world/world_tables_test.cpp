// The corona tables and the collectible placement.
#include "core/engine_state.h"
#include "world/collectible_candidates.h"
#include "world/corona_tables.h"
#include "world/level_loader.h"
#include "world/mesh_model.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

TEST(CoronaTables, FillPlacesRangesAndTints) {
    FillCoronaPlaces();
    FillCoronaColors();
    EXPECT_EQ(coronaPositions[0], Vec3(-8.0f, 4.29f, 25.25f));
    EXPECT_EQ(coronaPositions[22], Vec3(-6.4f, 6.09f, 29.3045f));
    EXPECT_EQ(coronaPositions[28], Vec3(41.0f, 32.5f, -39.5f));
    EXPECT_EQ(coronaRanges[28], 100.0f);
    EXPECT_EQ(coronaRanges[5], 5.0f);
    EXPECT_EQ(coronaRanges[11], 20.0f);
    // The rest of the capacity stays empty.
    for (int i = 29; i < 35; ++i) {
        EXPECT_EQ(coronaPositions[i], Vec3(0, 0, 0)) << "corona " << i;
        EXPECT_EQ(coronaRanges[i], 0.0f) << "corona " << i;
    }

    struct Tint {
        int corona;
        float r, g, b;
    };
    const Tint tints[] = {{0, 1, 0.96f, 0.76f},  {9, 1, 1, 1},          {11, 1, 1, 1},
                          {23, 1, 1, 1},         {25, 1, 1, 1},         {28, 1, 1, 1},
                          {7, 1, 0.96f, 0.61f},  {17, 1, 0.96f, 0.61f}, {20, 1, 0.96f, 0.61f},
                          {22, 1, 0.96f, 0.61f}, {12, 1, 0.69f, 0.61f}, {27, 1, 0.96f, 0.76f}};
    for (const Tint& t : tints) {
        const ColorValue& c = coronaColors[t.corona];
        EXPECT_EQ(c.r, t.r) << "corona " << t.corona;
        EXPECT_EQ(c.g, t.g) << "corona " << t.corona;
        EXPECT_EQ(c.b, t.b) << "corona " << t.corona;
    }
    for (int i = 0; i < 29; ++i)
        EXPECT_EQ(coronaColors[i].a, 0.0f) << "corona " << i;
}

TEST(MakeColor, TakesAlphaFirstAndStoresRedFirst) {
    const ColorValue c = MakeColor(0.25f, 0.5f, 0.75f, 1.0f);
    EXPECT_EQ(c.r, 0.5f);
    EXPECT_EQ(c.g, 0.75f);
    EXPECT_EQ(c.b, 1.0f);
    EXPECT_EQ(c.a, 0.25f);
}

namespace {

std::vector<Vec3> PlaceWithSeed(unsigned seed) {
    for (int i = 0; i < COLLECTIBLE_CAPACITY; ++i)
        engine.collectibleActive[i] = 0;
    std::srand(seed);
    PlaceCollectibles();
    return std::vector<Vec3>(engine.collectiblePositions,
                             engine.collectiblePositions + COLLECTIBLE_COUNT);
}

int CandidateIndex(const Vec3& position) {
    for (int k = 0; k < COLLECTIBLE_CANDIDATE_COUNT; ++k) {
        if (collectibleCandidates[k] == position)
            return k;
    }
    return -1;
}

} // namespace

TEST(CollectiblePlacement, NineDistinctCandidatesAndTheFixedTenth) {
    EXPECT_EQ(collectibleCandidates[44], Vec3(-4.1f, 5.4f, 29.9f));
    EXPECT_EQ(collectibleCandidates[0], Vec3(-0.5f, 2.83f, 27.8f));
    EXPECT_EQ(collectibleCandidates[49], Vec3(-9.9f, 2.5f, 22.9f));
    for (unsigned seed : {1u, 7u, 12345u, 99991u}) {
        const std::vector<Vec3> placed = PlaceWithSeed(seed);
        std::set<int> taken;
        for (int j = 0; j < 9; ++j) {
            const int k = CandidateIndex(placed[j]);
            EXPECT_GE(k, 0) << "seed " << seed << " collectible " << j;
            taken.insert(k);
        }
        EXPECT_EQ(taken.size(), 9u) << "seed " << seed;
        EXPECT_EQ(CandidateIndex(placed[9]), 44) << "seed " << seed;
        for (int j = 0; j < COLLECTIBLE_COUNT; ++j)
            EXPECT_EQ(engine.collectibleActive[j], 1) << "seed " << seed;
        for (int j = COLLECTIBLE_COUNT; j < COLLECTIBLE_CAPACITY; ++j)
            EXPECT_EQ(engine.collectibleActive[j], 0) << "seed " << seed;
    }
}

TEST(CollectiblePlacement, SameSeedSamePlacement) {
    const std::vector<Vec3> first = PlaceWithSeed(424242);
    const std::vector<Vec3> second = PlaceWithSeed(424242);
    EXPECT_EQ(first, second);
    // Different seeds almost surely differ somewhere among 9 draws from 50.
    EXPECT_NE(PlaceWithSeed(1), PlaceWithSeed(2));
}
