// The baked light in the built files: the light-mapped faces keep vertices of their own (the
// engine whitens every vertex of a face the markers repeat), the yard, the lawn and the hall floor
// are light-mapped, and the level's vertex colours are shaded, not flat.
#include "content/level_data.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <set>

using namespace leveltest;

namespace {

using Key = std::array<uint32_t, 9>;

Key FaceKey(const LoadedModel& m, size_t f) {
    Key k{};
    for (int c = 0; c < 3; ++c) {
        std::memcpy(&k[c * 3], m.positions[m.indices[f * 3 + c]].data(), 12);
    }
    return k;
}

// Whether the face lies flat at height y and covers the point (x, z) seen from above.
bool CoversFromAbove(const LoadedModel& m, size_t f, double x, double y, double z) {
    V3 a = m.Corner(f, 0), b = m.Corner(f, 1), c = m.Corner(f, 2);
    if (std::abs(a.y - y) > 1e-3 || std::abs(b.y - y) > 1e-3 || std::abs(c.y - y) > 1e-3) {
        return false;
    }
    auto side = [&](V3 p, V3 q) { return (q.x - p.x) * (z - p.z) - (x - p.x) * (q.z - p.z); };
    double s0 = side(a, b), s1 = side(b, c), s2 = side(c, a);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

} // namespace

TEST(LevelLight, LightMappedFacesOwnTheirVerticesAndCoverTheYardAndTheHall) {
    const LoadedModel level = LoadModel("L1.x");
    const LoadedModel markers = LoadModel("L1add0.x");
    ASSERT_TRUE(level.loaded && markers.loaded);
    std::set<Key> marked;
    for (size_t f = 0; f < markers.Faces(); ++f) {
        marked.insert(FaceKey(markers, f));
    }
    std::vector<int> use(level.positions.size(), 0); // 1 marked, 2 unmarked, 3 both
    std::vector<bool> faceMarked(level.Faces());
    for (size_t f = 0; f < level.Faces(); ++f) {
        faceMarked[f] = marked.count(FaceKey(level, f)) > 0;
        for (int c = 0; c < 3; ++c) {
            use[level.indices[f * 3 + c]] |= faceMarked[f] ? 1 : 2;
        }
    }
    for (size_t v = 0; v < use.size(); ++v) {
        ASSERT_NE(use[v], 3) << "level vertex " << v
                             << " belongs to a light-mapped face and to a vertex-lit one";
    }
    // The path in front of the start, the lawn west of it and the hall floor.
    const double places[][3] = {{2.0, 0.012, 1.5}, {-6.0, 0.0, 4.0}, {4.0, 2.53, 23.0}};
    for (const auto& p : places) {
        bool covered = false;
        for (size_t f = 0; f < level.Faces() && !covered; ++f) {
            covered = faceMarked[f] && CoversFromAbove(level, f, p[0], p[1], p[2]);
        }
        EXPECT_TRUE(covered) << "no light-mapped floor at " << p[0] << ", " << p[1] << ", " << p[2];
    }
    // Shade varies across the level: many distinct vertex colours, not a handful of greys.
    std::set<uint32_t> colours(level.colors.begin(), level.colors.end());
    EXPECT_GT(colours.size(), 500u);
}
