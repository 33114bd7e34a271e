// CollideSphere on small hand-built hulls: floors, walls, plane crossings, back faces, the box
// rejection, edge and corner pushes, and the buffer protocol. Expected positions are worked
// out by hand from the geometry.
#include "player/collision.h"

#include "support/memory_mesh.h"
#include "world/mesh_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float R = 0.48f;
constexpr float TOLERANCE = 1e-5f;

// A large floor triangle at y = 0 facing up, covering x and z in [-10, 10] around the origin.
void SetFloor(MemoryMesh& mesh, DWORD face, float y = 0.0f) {
    mesh.SetFace(face, Vec3(-10.0f, y, -10.0f), Vec3(-10.0f, y, 30.0f), Vec3(30.0f, y, -10.0f));
}

// A wall in the plane z = 0 facing -z.
void SetWall(MemoryMesh& mesh, DWORD face) {
    mesh.SetFace(face, Vec3(-10.0f, -10.0f, 0.0f), Vec3(-10.0f, 30.0f, 0.0f),
                 Vec3(30.0f, -10.0f, 0.0f));
}

class CollisionTest : public ::testing::Test {
  protected:
    void Use(MemoryMesh& mesh) {
        model.mesh = &mesh;
        state.collisionModel = &model;
    }
    void TearDown() override { model.mesh = nullptr; }

    Vec3 Collide(Vec3 from, Vec3 to, float radius = R) {
        normal = Vec3(7.0f, 7.0f, 7.0f); // must be overwritten
        return CollideSphere(state, from, to, radius, normal);
    }

    MeshModel model;
    PlayerState state;
    Vec3 normal;
};

void ExpectVec(Vec3 actual, Vec3 expected, float tolerance = TOLERANCE) {
    EXPECT_NEAR(actual.x, expected.x, tolerance)
        << "x of (" << actual.x << ", " << actual.y << ", " << actual.z << ")";
    EXPECT_NEAR(actual.y, expected.y, tolerance)
        << "y of (" << actual.x << ", " << actual.y << ", " << actual.z << ")";
    EXPECT_NEAR(actual.z, expected.z, tolerance)
        << "z of (" << actual.x << ", " << actual.y << ", " << actual.z << ")";
}

TEST_F(CollisionTest, SphereLandsOnFloorAtItsRadius) {
    MemoryMesh mesh(1);
    SetFloor(mesh, 0);
    Use(mesh);
    ExpectVec(Collide(Vec3(0.0f, 1.0f, 0.0f), Vec3(0.0f, 0.3f, 0.0f)), Vec3(0.0f, R, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 1.0f, 0.0f));
    // Resting exactly on it is still a contact.
    ExpectVec(Collide(Vec3(0.0f, R, 0.0f), Vec3(0.0f, R - 0.006f, 0.0f)), Vec3(0.0f, R, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 1.0f, 0.0f));
}

TEST_F(CollisionTest, SlidesAlongWallWithoutReportingGround) {
    MemoryMesh mesh(1);
    SetWall(mesh, 0);
    Use(mesh);
    // Ends 0.1 in front of the wall and 0.5 along it: pushed back to r, the slide remains.
    const Vec3 end = Collide(Vec3(0.0f, 1.0f, -1.0f), Vec3(0.5f, 1.0f, -0.1f));
    ExpectVec(end, Vec3(0.5f, 1.0f, -R));
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
}

TEST_F(CollisionTest, FloorAndWallTogetherReportTheFloor) {
    MemoryMesh mesh(2);
    SetWall(mesh, 0);
    SetFloor(mesh, 1);
    Use(mesh);
    ExpectVec(Collide(Vec3(0.0f, 1.0f, -1.0f), Vec3(0.0f, 0.3f, -0.2f)), Vec3(0.0f, R, -R));
    EXPECT_EQ(normal, Vec3(0.0f, 1.0f, 0.0f));
}

TEST_F(CollisionTest, CentreThroughThePlaneIsCaughtOnlyWithinTheWidenedBox) {
    MemoryMesh mesh(1);
    SetFloor(mesh, 0);
    Use(mesh);
    // 0.3 behind the floor: the path crossed the face inside it, so the centre comes back to
    // r in front.
    ExpectVec(Collide(Vec3(0.0f, 0.6f, 0.0f), Vec3(0.0f, -0.3f, 0.0f)), Vec3(0.0f, R, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 1.0f, 0.0f));
    // 0.6 behind: outside the face's box widened by r, so the sphere passes through.
    const Vec3 through = Collide(Vec3(0.0f, 0.6f, 0.0f), Vec3(0.0f, -0.6f, 0.0f));
    EXPECT_EQ(through, Vec3(0.0f, -0.6f, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
}

TEST_F(CollisionTest, BackFacesNeverPush) {
    MemoryMesh mesh(1);
    SetFloor(mesh, 0);
    Use(mesh);
    // Starting below the floor and rising to just under it.
    EXPECT_EQ(Collide(Vec3(0.0f, -1.0f, 0.0f), Vec3(0.0f, -0.2f, 0.0f)), Vec3(0.0f, -0.2f, 0.0f));
    // Starting below and ending above within r: still not solid from behind.
    EXPECT_EQ(Collide(Vec3(0.0f, -0.4f, 0.0f), Vec3(0.0f, 0.2f, 0.0f)), Vec3(0.0f, 0.2f, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
}

TEST_F(CollisionTest, FaceOutsideItsWidenedBoxIsIgnoredThoughItsPlaneIsNear) {
    MemoryMesh mesh(1);
    // A small floor piece at x in [5, 6]: its plane is 0.3 below the centre, its box is not.
    mesh.SetFace(0, Vec3(5.0f, 0.0f, -0.5f), Vec3(5.0f, 0.0f, 0.5f), Vec3(6.0f, 0.0f, -0.5f));
    Use(mesh);
    EXPECT_EQ(Collide(Vec3(0.0f, 1.0f, 0.0f), Vec3(0.0f, 0.3f, 0.0f)), Vec3(0.0f, 0.3f, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
    // Inside the widened box and 0.42 from its border edge, that edge pushes.
    Collide(Vec3(4.7f, 1.0f, 0.0f), Vec3(4.7f, 0.3f, 0.0f));
    EXPECT_EQ(normal.y, 1.0f);
}

TEST_F(CollisionTest, FloorBorderEdgePushesOutwardAndCountsAsGround) {
    MemoryMesh mesh(1);
    // Floor facing up whose corner A (0, 0, -10) to C (0, 0, 10) edge lies along x = 0; the
    // floor is at x < 0.
    mesh.SetFace(0, Vec3(0.0f, 0.0f, -10.0f), Vec3(-20.0f, 0.0f, 0.0f), Vec3(0.0f, 0.0f, 10.0f));
    Use(mesh);
    // Centre 0.2 beyond the border and 0.3 above: 0.3606 from the edge, pushed out to r along
    // (0.2, 0.3) from the edge.
    const Vec3 end = Collide(Vec3(0.2f, 1.0f, 0.0f), Vec3(0.2f, 0.3f, 0.0f));
    const float scale = R / std::sqrt(0.13f);
    ExpectVec(end, Vec3(0.2f * scale, 0.3f * scale, 0.0f));
    // The push points up by 0.83 only, but an edge contact reports full ground.
    EXPECT_EQ(normal, Vec3(0.0f, 1.0f, 0.0f));
}

TEST_F(CollisionTest, CornerPushesAwayWithoutChangingTheNormal) {
    MemoryMesh mesh(1);
    mesh.SetFace(0, Vec3(0.0f, 0.0f, -10.0f), Vec3(-20.0f, 0.0f, 0.0f), Vec3(0.0f, 0.0f, 10.0f));
    Use(mesh);
    // Beyond corner A along both of its edges: only the corner reaches.
    const Vec3 start(0.2f, 0.3f, -10.2f);
    const Vec3 end = Collide(Vec3(0.2f, 1.0f, -10.2f), start);
    const Vec3 offset = end - Vec3(0.0f, 0.0f, -10.0f);
    EXPECT_NEAR(D3DXVec3Length(&offset), R, TOLERANCE);
    // Straight away from the corner: the offset keeps the proportions 2 : 3 : -2.
    EXPECT_NEAR(offset.x / offset.y, 2.0f / 3.0f, TOLERANCE);
    EXPECT_NEAR(offset.z / offset.y, -2.0f / 3.0f, TOLERANCE);
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
}

TEST_F(CollisionTest, SteepestUpwardFaceGivesTheNormal) {
    MemoryMesh mesh(2);
    // A slope rising along +z with normal (0, 0.8, -0.6), then the floor.
    mesh.SetFace(0, Vec3(-10.0f, 0.0f, 0.0f), Vec3(-10.0f, 30.0f, 40.0f), Vec3(30.0f, 0.0f, 0.0f));
    SetFloor(mesh, 1, -5.0f);
    Use(mesh);
    Collide(Vec3(0.0f, 3.0f, 1.0f), Vec3(0.0f, 0.6f, 1.0f));
    EXPECT_NEAR(normal.x, 0.0f, TOLERANCE);
    EXPECT_NEAR(normal.y, 0.8f, TOLERANCE);
    EXPECT_NEAR(normal.z, -0.6f, TOLERANCE);
}

TEST_F(CollisionTest, NoContactLeavesTheMoveAndAZeroNormal) {
    MemoryMesh mesh(2);
    SetFloor(mesh, 0, -5.0f);
    SetWall(mesh, 1);
    Use(mesh);
    const Vec3 to(0.25f, 1.125f, -3.5f);
    EXPECT_EQ(Collide(Vec3(0.0f, 1.0f, -4.0f), to), to);
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
}

TEST_F(CollisionTest, BuffersAreLockedUnlockedAndReleasedInOrder) {
    MemoryMesh mesh(1);
    SetFloor(mesh, 0);
    Use(mesh);
    Collide(Vec3(0.0f, 1.0f, 0.0f), Vec3(0.0f, 0.3f, 0.0f));
    const std::vector<std::string> expected = {
        "GetVertexBuffer", "GetIndexBuffer", "Lock indices 0 0 0", "Lock vertices 0 0 0",
        "Unlock vertices", "Unlock indices", "Release vertices",   "Release indices"};
    EXPECT_EQ(mesh.calls, expected);
    EXPECT_TRUE(mesh.Balanced());
}

TEST_F(CollisionTest, UnlockableHullCollidesWithNothingAndGivesEverythingBack) {
    MemoryMesh mesh(1);
    SetFloor(mesh, 0);
    mesh.vertexBuffer.failLock = true;
    Use(mesh);
    EXPECT_EQ(Collide(Vec3(0.0f, 1.0f, 0.0f), Vec3(0.0f, 0.3f, 0.0f)), Vec3(0.0f, 0.3f, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(mesh.Balanced());

    state.collisionModel = nullptr;
    EXPECT_EQ(Collide(Vec3(0.0f, 1.0f, 0.0f), Vec3(0.0f, 0.3f, 0.0f)), Vec3(0.0f, 0.3f, 0.0f));
    EXPECT_EQ(normal, Vec3(0.0f, 0.0f, 0.0f));
}

TEST_F(CollisionTest, FacesBeyondTheIndexBufferAreNotRead) {
    MemoryMesh mesh(1);
    SetFloor(mesh, 0);
    mesh.reportedFaces = 100000;
    Use(mesh);
    ExpectVec(Collide(Vec3(0.0f, 1.0f, 0.0f), Vec3(0.0f, 0.3f, 0.0f)), Vec3(0.0f, R, 0.0f));
}

TEST_F(CollisionTest, FaceNamingAVertexBeyondTheBufferIsNotSolid) {
    MemoryMesh mesh(1);
    SetFloor(mesh, 0);
    reinterpret_cast<WORD*>(mesh.indexBuffer.bytes.data())[2] = 3;
    Use(mesh);
    EXPECT_EQ(Collide(Vec3(0.0f, 1.0f, 0.0f), Vec3(0.0f, 0.3f, 0.0f)), Vec3(0.0f, 0.3f, 0.0f));
}

} // namespace
