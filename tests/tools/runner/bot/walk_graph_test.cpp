// The bot's picture of the level: distances to triangles, resting places on floors and ramps,
// walls that part them, steps too high to climb, moving boxes, and on the built hull a path
// from the start to every collectible place.
#include "tools/runner/bot/walk_graph.h"
#include "support/fake_device.h"
#include "world/collectible_candidates.h"
#include "world/animated_objects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr float R = 0.48f;

TEST(HullGeometry, PointTriangleDistanceByRegion) {
    const Vec3 a(0, 0, 0), b(2, 0, 0), c(0, 0, 2);
    // Above the face, beyond an edge, beyond a corner, on the slanted edge's outside.
    EXPECT_FLOAT_EQ(PointTriangleDistanceSquared(Vec3(0.5f, 3, 0.5f), a, b, c), 9.0f);
    EXPECT_FLOAT_EQ(PointTriangleDistanceSquared(Vec3(1, 0, -2), a, b, c), 4.0f);
    EXPECT_FLOAT_EQ(PointTriangleDistanceSquared(Vec3(-1, 1, -1), a, b, c), 3.0f);
    EXPECT_NEAR(PointTriangleDistanceSquared(Vec3(2, 0, 2), a, b, c), 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(PointTriangleDistanceSquared(Vec3(0.25f, 0, 0.25f), a, b, c), 0.0f);
}

// A little hull: quads as two faces each, plus one object box (8 vertices) at the end.
struct HullBuilder {
    std::vector<Vec3> positions;
    std::vector<DWORD> indices;
    void Quad(Vec3 p, Vec3 q, Vec3 r, Vec3 s) {
        const DWORD base = static_cast<DWORD>(positions.size());
        positions.insert(positions.end(), {p, q, r, s});
        indices.insert(indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    }
    // A box for object 0 at the fixed hull range; the range before it is padded.
    void ObjectBox(Vec3 lo, Vec3 hi) {
        positions.resize(FIRST_OBJECT_HULL_VERTEX, Vec3(0, -50, 0));
        const DWORD base = FIRST_OBJECT_HULL_VERTEX;
        for (int k = 0; k < 8; ++k) {
            positions.push_back(
                Vec3((k & 1) ? hi.x : lo.x, (k & 2) ? hi.y : lo.y, (k & 4) ? hi.z : lo.z));
        }
        const int faces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1},
                                 {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
        for (const auto& f : faces) {
            indices.insert(indices.end(), {base + f[0], base + f[1], base + f[2], base + f[0],
                                           base + f[2], base + f[3]});
        }
    }
};

// Floor y = 0 over x, z in [0, 8]; a wall across z = 4 except for a gap at x in [3, 5];
// a platform 1.0 high over x in [6, 8], z in [0, 2] reached only by its vertical side.
HullBuilder TestHull() {
    HullBuilder h;
    h.Quad(Vec3(0, 0, 0), Vec3(0, 0, 8), Vec3(8, 0, 8), Vec3(8, 0, 0));
    for (float x0 : {0.0f, 5.0f}) {
        const float x1 = x0 == 0.0f ? 3.0f : 8.0f;
        h.Quad(Vec3(x0, 0, 4), Vec3(x0, 3, 4), Vec3(x1, 3, 4), Vec3(x1, 0, 4));
        h.Quad(Vec3(x1, 0, 4.2f), Vec3(x1, 3, 4.2f), Vec3(x0, 3, 4.2f), Vec3(x0, 0, 4.2f));
    }
    h.Quad(Vec3(6, 1, 0), Vec3(6, 1, 2), Vec3(8, 1, 2), Vec3(8, 1, 0));
    h.Quad(Vec3(6, 0, 2), Vec3(6, 1, 2), Vec3(6, 1, 0), Vec3(6, 0, 0));
    h.Quad(Vec3(6, 0, 2), Vec3(8, 0, 2), Vec3(8, 1, 2), Vec3(6, 1, 2));
    return h;
}

TEST(WalkGraph, FindsFloorsKeepsOffWallsAndJoinsOnlyWalkableNeighbours) {
    HullBuilder h = TestHull();
    h.ObjectBox(Vec3(3, 0, 3.9f), Vec3(5, 2.5f, 4.3f)); // a door in the gap
    HullGeometry hull;
    std::string error;
    ASSERT_TRUE(hull.Build(h.positions, h.indices, 1, error)) << error;
    WalkGraph graph;
    graph.Build(hull, R);

    // A resting place on the open floor sits one radius (and a hair) above it.
    const int open = graph.Nearest(Vec3(1.5f, R, 1.5f));
    ASSERT_GE(open, 0);
    EXPECT_NEAR(graph.Nodes()[static_cast<size_t>(open)].centre.y, R + 0.005f, 1e-4f);
    // Nothing within a radius of the wall (less the centimetre the slide allows); the
    // platform has places on top.
    for (const WalkNode& node : graph.Nodes()) {
        const float reach = R - 0.01f;
        const bool nearWall = node.centre.z > 4.0f - reach && node.centre.z < 4.2f + reach &&
                              (node.centre.x < 3.0f || node.centre.x > 5.0f);
        EXPECT_FALSE(nearWall && node.centre.y < 3.0f)
            << node.centre.x << " " << node.centre.y << " " << node.centre.z;
    }
    const int top = graph.Nearest(Vec3(7.0f, 1.0f + R, 1.0f));
    ASSERT_GE(top, 0);
    EXPECT_NEAR(graph.Nodes()[static_cast<size_t>(top)].centre.y, 1.0f + R + 0.005f, 1e-4f);

    std::vector<float> distance;
    std::vector<int> previous;
    // The door box does not count for the graph: only the search's costs close it.
    graph.Search(
        open, [](int) { return 0.0f; }, distance, previous);
    const int beyond = graph.Nearest(Vec3(1.5f, R, 6.5f));
    ASSERT_GE(beyond, 0);
    EXPECT_TRUE(std::isfinite(distance[static_cast<size_t>(beyond)]));
    // Through the gap, whose usable part starts 0.47 past x = 3: at least
    // |(1.97, 2.6)| + |(1.97, 2.4)| = 6.37 instead of the straight 5.0.
    EXPECT_GT(distance[static_cast<size_t>(beyond)], 6.3f);
    // A step of 1.0 is not climbed.
    EXPECT_FALSE(std::isfinite(distance[static_cast<size_t>(top)]));

    // With the box in the gap closed, the far side is out of reach.
    graph.Search(
        open,
        [&](int node) {
            return hull.ObjectTouchingSphere(graph.Nodes()[static_cast<size_t>(node)].centre, R) >=
                           0
                       ? -1.0f
                       : 0.0f;
        },
        distance, previous);
    EXPECT_FALSE(std::isfinite(distance[static_cast<size_t>(beyond)]));
    EXPECT_EQ(hull.ObjectTouchingSphere(Vec3(4.0f, R, 3.6f), R), 0);
    EXPECT_EQ(hull.ObjectTouchingSphere(Vec3(4.0f, R, 3.2f), R), -1);
}

TEST(WalkGraph, ClimbsARampButNotASteeperOne) {
    for (const float rise : {0.8f, 2.5f}) {
        HullBuilder h;
        h.Quad(Vec3(0, 0, 0), Vec3(0, 0, 4), Vec3(4, 0, 4), Vec3(4, 0, 0));
        h.Quad(Vec3(4, 0, 0), Vec3(4, 0, 4), Vec3(6, rise, 4), Vec3(6, rise, 0));
        h.Quad(Vec3(6, rise, 0), Vec3(6, rise, 4), Vec3(10, rise, 4), Vec3(10, rise, 0));
        HullGeometry hull;
        std::string error;
        ASSERT_TRUE(hull.Build(h.positions, h.indices, 0, error)) << error;
        WalkGraph graph;
        graph.Build(hull, R);
        const int start = graph.Nearest(Vec3(1, R, 2));
        const int end = graph.Nearest(Vec3(9, rise + R, 2));
        ASSERT_GE(start, 0);
        ASSERT_GE(end, 0);
        std::vector<float> distance;
        std::vector<int> previous;
        graph.Search(
            start, [](int) { return 0.0f; }, distance, previous);
        // A rise of 0.8 over 2 is walkable (normal y 0.93); 2.5 over 2 is not (0.62).
        EXPECT_EQ(std::isfinite(distance[static_cast<size_t>(end)]), rise < 1.0f) << rise;
    }
}

TEST(WalkGraph, DropsOffALedgeButNotThroughTheFloorUnderfoot) {
    // A floor at 0 over [0, 4] by [0, 4]; over its southern half, z in [0, 2], a slab whose
    // top is 1.2 high and bottom 1.1, with its edge open to the north.
    HullBuilder h;
    h.Quad(Vec3(0, 0, 0), Vec3(0, 0, 4), Vec3(4, 0, 4), Vec3(4, 0, 0));
    h.Quad(Vec3(0, 1.2f, 0), Vec3(0, 1.2f, 2), Vec3(4, 1.2f, 2), Vec3(4, 1.2f, 0));
    h.Quad(Vec3(0, 1.1f, 0), Vec3(4, 1.1f, 0), Vec3(4, 1.1f, 2), Vec3(0, 1.1f, 2));
    h.Quad(Vec3(0, 1.1f, 2), Vec3(4, 1.1f, 2), Vec3(4, 1.2f, 2), Vec3(0, 1.2f, 2));
    HullGeometry hull;
    std::string error;
    ASSERT_TRUE(hull.Build(h.positions, h.indices, 0, error)) << error;
    WalkGraph graph;
    graph.Build(hull, R);
    const int upstairs = graph.Nearest(Vec3(2, 1.2f + R, 1));
    const int below = graph.Nearest(Vec3(2, R, 1));
    const int beyond = graph.Nearest(Vec3(2, R, 3));
    ASSERT_GE(upstairs, 0);
    ASSERT_GE(below, 0);
    ASSERT_GE(beyond, 0);
    ASSERT_GT(graph.Nodes()[static_cast<size_t>(upstairs)].centre.y, 1.2f);
    ASSERT_LT(graph.Nodes()[static_cast<size_t>(below)].centre.y, 1.0f);
    for (int next : graph.Neighbours(upstairs)) {
        EXPECT_GT(graph.Nodes()[static_cast<size_t>(next)].centre.y, 1.2f);
    }
    std::vector<float> distance;
    std::vector<int> previous;
    graph.Search(
        upstairs, [](int) { return 0.0f; }, distance, previous);
    // Off the edge at z = 2 and back under the slab: at least 1 + 1.2 + 1, not the 1.2 straight
    // down.
    EXPECT_TRUE(std::isfinite(distance[static_cast<size_t>(beyond)]));
    EXPECT_GT(distance[static_cast<size_t>(below)], 3.0f);
}

TEST(WalkGraph, BuiltHullLeadsFromTheStartToEveryCollectiblePlace) {
    FakeDevice device;
    ID3DXMesh* mesh = nullptr;
    const std::string path = std::string(OVREL_DATA_DIR) + "/L1add3.x";
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, nullptr,
                                nullptr, &mesh),
              D3D_OK)
        << path;
    HullGeometry hull;
    std::string error;
    ASSERT_TRUE(hull.Load(mesh, OBJECT_COUNT, error)) << error;
    mesh->Release();
    WalkGraph graph;
    graph.Build(hull, R);
    // The player falls from (2.0, 0.5, 0.5) onto the yard.
    const int start = graph.Nearest(Vec3(2.0f, 0.5f, 0.5f));
    ASSERT_GE(start, 0);
    std::vector<float> distance;
    std::vector<int> previous;
    graph.Search(
        start, [](int) { return 0.0f; }, distance, previous);
    for (int c = 0; c < COLLECTIBLE_CANDIDATE_COUNT; ++c) {
        const Vec3 place = collectibleCandidates[c] + Vec3(0.0f, 0.1f, 0.0f);
        bool reached = false;
        for (int node : graph.Within(place, 2.6f)) {
            reached = reached || std::isfinite(distance[static_cast<size_t>(node)]);
        }
        EXPECT_TRUE(reached) << "candidate " << c << " at " << place.x << " " << place.y << " "
                             << place.z;
    }
}

} // namespace
