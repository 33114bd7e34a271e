// The animated objects in the built level: each box sits where the engine's own construction
// puts it on the first frame, owns its twelve faces, has its hull box, and can swing or slide
// all the way open without passing through the level; switches hang on walls.
#include "level_data.h"

#include "world/object_table.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace leveltest;

namespace {

const int OBJECTS = 44;
const int FIRST_VERTEX = 9250, FIRST_FACE = 5474, FIRST_HULL_VERTEX = 4301;

// Unit selectors of the box faces, four corners each, in the engine's order.
const double FACE_CORNERS[24][3] = {
    {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1},
    {1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {1, 0, 1},
    {0, 1, 1}, {0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1},
};
const double HULL_CORNERS[8][3] = {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                   {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};

const LoadedModel& Level() {
    static LoadedModel model = LoadModel("L1.x");
    return model;
}
const LoadedModel& Hull() {
    static LoadedModel model = LoadModel("L1add3.x");
    return model;
}

V3 BoxCentre(int object, double amount) {
    return (ObjectCorner(object, amount, 0, 0, 0) + ObjectCorner(object, amount, 1, 1, 1)) * 0.5;
}

// Static level triangles: everything except the object boxes.
const TriangleGrid& StaticLevel() {
    static TriangleGrid grid = [] {
        std::vector<Tri> tris;
        const LoadedModel& m = Level();
        for (size_t f = 0; f < m.Faces(); ++f) {
            if (f >= FIRST_FACE && f < FIRST_FACE + 12 * OBJECTS) {
                continue;
            }
            tris.push_back({m.Corner(f, 0), m.Corner(f, 1), m.Corner(f, 2)});
        }
        return TriangleGrid(tris, 0.5);
    }();
    return grid;
}

} // namespace

TEST(LevelObjects, HandCheckedCornersOfTheTable) {
    // Entrance door 3 at yaw 0: hinge (3.27, 2.53, 20.05), 0.749 wide, 0.04 thick; its first
    // corner lies half a thickness behind and beside the hinge.
    // The table holds floats: agree to their precision.
    V3 c = ObjectCorner(3, 0, 0, 0, 0);
    EXPECT_NEAR(c.x, 3.25, 2e-6);
    EXPECT_NEAR(c.z, 20.03, 2e-6);
    V3 far = ObjectCorner(3, 0, 1, 1, 1);
    EXPECT_NEAR(far.x, 3.999, 2e-6);
    EXPECT_NEAR(far.y, 4.30, 2e-6);
    EXPECT_NEAR(far.z, 20.07, 2e-6);
    // Sliding panel 30 moves 0.79 to the west when open.
    EXPECT_NEAR(ObjectCorner(30, 1, 0, 0, 0).x - ObjectCorner(30, 0, 0, 0, 0).x, -0.79, 2e-6);
    // Door 0 of the shed turns from 270 to 360 degrees about its hinge at (5.05, 2.98): closed
    // it runs south along x = 5.05, open it points east.
    V3 closedEnd = ObjectCorner(0, 0, 1, 0, 0.5), openEnd = ObjectCorner(0, 1, 1, 0, 0.5);
    EXPECT_NEAR(closedEnd.x, 5.05, 2e-6);
    EXPECT_NEAR(closedEnd.z, 2.98 - 0.98, 2e-6);
    EXPECT_NEAR(openEnd.x, 5.05 + 0.98, 2e-6);
    EXPECT_NEAR(openEnd.z, 2.98, 2e-6);
}

TEST(LevelObjects, BoxesSitWhereTheFirstFrameBuildsThem) {
    const LoadedModel& m = Level();
    ASSERT_TRUE(m.loaded) << m.error;
    for (int i = 0; i < OBJECTS; ++i) {
        for (int j = 0; j < 24; ++j) {
            V3 want =
                ObjectCorner(i, 0, FACE_CORNERS[j][0], FACE_CORNERS[j][1], FACE_CORNERS[j][2]);
            V3 got = m.P(FIRST_VERTEX + 24 * i + j);
            ASSERT_LT(Length(got - want), 1e-4)
                << "object " << i << " corner " << j << ": (" << got.x << ", " << got.y << ", "
                << got.z << ") instead of (" << want.x << ", " << want.y << ", " << want.z << ")";
        }
    }
}

TEST(LevelObjects, EachBoxOwnsItsTwelveOutwardFaces) {
    const LoadedModel& m = Level();
    ASSERT_TRUE(m.loaded);
    for (int i = 0; i < OBJECTS; ++i) {
        V3 centre = BoxCentre(i, 0);
        for (int k = 0; k < 12; ++k) {
            size_t f = FIRST_FACE + 12 * i + k;
            int boxFace = k / 2;
            for (int c = 0; c < 3; ++c) {
                int v = m.indices[f * 3 + c] - (FIRST_VERTEX + 24 * i);
                ASSERT_TRUE(v >= 4 * boxFace && v < 4 * boxFace + 4)
                    << "object " << i << " face " << k << " uses vertex " << v;
            }
            // Seen from outside, clockwise: the face normal points away from the centre.
            V3 a = m.Corner(f, 0), b = m.Corner(f, 1), c = m.Corner(f, 2);
            V3 n = Cross(b - a, c - a);
            EXPECT_GT(Dot(n, (a + b + c) * (1.0 / 3) - centre), 0)
                << "object " << i << " face " << k << " faces inwards";
        }
    }
}

TEST(LevelObjects, HullBoxesFollowTheHullCornerOrderAndFaceOutwards) {
    const LoadedModel& h = Hull();
    ASSERT_TRUE(h.loaded) << h.error;
    for (int i = 0; i < OBJECTS; ++i) {
        size_t first = FIRST_HULL_VERTEX + 8 * i;
        for (int j = 0; j < 8; ++j) {
            V3 want =
                ObjectCorner(i, 0, HULL_CORNERS[j][0], HULL_CORNERS[j][1], HULL_CORNERS[j][2]);
            ASSERT_LT(Length(h.P(first + j) - want), 1e-4)
                << "object " << i << " hull corner " << j;
        }
        // Twelve faces use only this box's corners, each solid from outside.
        int faces = 0;
        V3 centre = BoxCentre(i, 0);
        for (size_t f = 0; f < h.Faces(); ++f) {
            int inside = 0;
            for (int c = 0; c < 3; ++c) {
                size_t v = h.indices[f * 3 + c];
                inside += v >= first && v < first + 8;
            }
            if (inside == 0) {
                continue;
            }
            ASSERT_EQ(inside, 3) << "hull face " << f << " mixes object " << i << " with others";
            ++faces;
            V3 a = h.Corner(f, 0), b = h.Corner(f, 1), c = h.Corner(f, 2);
            EXPECT_GT(Dot(Cross(b - a, c - a), (a + b + c) * (1.0 / 3) - centre), 0)
                << "object " << i << " hull face " << f << " faces inwards";
        }
        EXPECT_EQ(faces, 12) << "object " << i;
    }
}

TEST(LevelObjects, DoorsSwingAndSlideFreeOfTheLevel) {
    const TriangleGrid& grid = StaticLevel();
    for (int i = 0; i < 37; ++i) {
        for (int step = 0; step <= 20; ++step) {
            double amount = step / 20.0;
            // A hair smaller than the leaf: resting on a floor or touching a frame is fine.
            Obb box = ObjectObb(i, amount, 0.006);
            double reach = Length(V3{box.half[0], box.half[1], box.half[2]});
            V3 r{reach, reach, reach};
            for (size_t t : grid.Near(box.centre - r, box.centre + r)) {
                const Tri& tri = grid.Triangles()[t];
                ASSERT_FALSE(BoxTouchesTriangle(box, tri))
                    << "object " << i << " at opening " << amount << " meets the level near ("
                    << tri.a.x << ", " << tri.a.y << ", " << tri.a.z << ")";
            }
        }
    }
}

TEST(LevelObjects, SwitchesHangOnWalls) {
    const TriangleGrid& grid = StaticLevel();
    for (int i = 37; i < OBJECTS; ++i) {
        // The back of the switch (thickness side 1) touches a wall surface.
        V3 back = (ObjectCorner(i, 0, 0, 0, 1) + ObjectCorner(i, 0, 1, 1, 1)) * 0.5;
        EXPECT_LT(grid.Clearance(back, 0.1), 0.02) << "switch " << i << " hangs in the air";
        // And its front is open to the room.
        V3 front = (ObjectCorner(i, 0, 0, 0, 0) + ObjectCorner(i, 0, 1, 1, 0)) * 0.5;
        EXPECT_GT(grid.Clearance(front, 0.1), 0.005) << "switch " << i << " is buried";
    }
}
