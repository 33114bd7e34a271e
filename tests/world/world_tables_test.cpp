// The corona tables and the collectible placement.
#include "core/engine_state.h"
#include "world/collectible_candidates.h"
#include "world/corona_tables.h"
#include "world/level_loader.h"
#include "world/mesh_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <set>
#include <vector>

namespace {

// The four lamp tints: plain white, the warm default, yellowish wall lamps, one reddish lamp.
struct Tint {
    const char* name;
    float g, b; // red is always full
    int lamps;  // how many of the coronas have it
};
constexpr Tint TINTS[] = {{"white", 1.0f, 1.0f, 5},
                          {"warm", 0.96f, 0.76f, CORONA_COUNT - 10},
                          {"yellow", 0.96f, 0.61f, 4},
                          {"red", 0.69f, 0.61f, 1}};
constexpr int SKY_LIGHT = CORONA_COUNT - 1;

} // namespace

TEST(CoronaTables, LampsInsideTheSkyLightFarAboveAndTheRestOfTheCapacityEmpty) {
    FillCoronaPlaces();
    for (int i = 0; i < SKY_LIGHT; ++i) {
        EXPECT_GT(coronaRanges[i], 0.0f) << "corona " << i;
        EXPECT_LE(coronaRanges[i], 20.0f) << "corona " << i << ": a lamp lights a room or two";
        EXPECT_GT(coronaPositions[i].y, 1.0f) << "corona " << i;
        EXPECT_LT(coronaPositions[i].y, 7.0f) << "corona " << i << ": below the roof";
        EXPECT_LT(coronaPositions[i].y, coronaPositions[SKY_LIGHT].y) << "corona " << i;
    }
    // The sky light is seen from the whole level: its range reaches back to the middle.
    const Vec3 sky = coronaPositions[SKY_LIGHT];
    const float toMiddle = std::sqrt(sky.x * sky.x + sky.y * sky.y + sky.z * sky.z);
    EXPECT_GT(coronaRanges[SKY_LIGHT], toMiddle + 30.0f);
    for (int i = CORONA_COUNT; i < CORONA_CAPACITY; ++i) {
        EXPECT_EQ(coronaPositions[i], Vec3(0, 0, 0)) << "corona " << i;
        EXPECT_EQ(coronaRanges[i], 0.0f) << "corona " << i;
    }
    // No two coronas glow in the same place.
    for (int i = 0; i < CORONA_COUNT; ++i) {
        for (int j = i + 1; j < CORONA_COUNT; ++j)
            EXPECT_NE(coronaPositions[i], coronaPositions[j]) << "coronas " << i << ", " << j;
    }
}

TEST(CoronaTables, EveryLampHasOneOfTheFourTintsWithNoAlphaEvenAfterAScribbledTable) {
    for (ColorValue& c : coronaColors)
        c = MakeColor(0.5f, 0.1f, 0.2f, 0.3f);
    FillCoronaColors();
    int counts[std::size(TINTS)] = {};
    for (int i = 0; i < CORONA_COUNT; ++i) {
        const ColorValue& c = coronaColors[i];
        EXPECT_EQ(c.a, 0.0f) << "corona " << i;
        EXPECT_EQ(c.r, 1.0f) << "corona " << i;
        int kind = -1;
        for (size_t t = 0; t < std::size(TINTS); ++t) {
            if (c.g == TINTS[t].g && c.b == TINTS[t].b)
                kind = static_cast<int>(t);
        }
        ASSERT_GE(kind, 0) << "corona " << i << " has no lamp tint: " << c.g << ", " << c.b;
        ++counts[kind];
    }
    for (size_t t = 0; t < std::size(TINTS); ++t)
        EXPECT_EQ(counts[t], TINTS[t].lamps) << TINTS[t].name;
    EXPECT_EQ(coronaColors[SKY_LIGHT].g, 1.0f) << "the sky light is white";
    EXPECT_EQ(coronaColors[SKY_LIGHT].b, 1.0f) << "the sky light is white";
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
    for (int k = 0; k < COLLECTIBLE_CANDIDATE_COUNT; ++k)
        EXPECT_EQ(CandidateIndex(collectibleCandidates[k]), k) << "candidate " << k << " repeated";
    constexpr int DRAWN = COLLECTIBLE_COUNT - 1;
    for (unsigned seed : {1u, 7u, 12345u, 99991u}) {
        const std::vector<Vec3> placed = PlaceWithSeed(seed);
        std::set<int> taken;
        for (int j = 0; j < DRAWN; ++j) {
            const int k = CandidateIndex(placed[j]);
            EXPECT_GE(k, 0) << "seed " << seed << " collectible " << j;
            taken.insert(k);
        }
        EXPECT_EQ(taken.size(), static_cast<size_t>(DRAWN)) << "seed " << seed;
        EXPECT_EQ(CandidateIndex(placed[DRAWN]), FIXED_COLLECTIBLE_CANDIDATE) << "seed " << seed;
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
