// The object tables and the per-frame rebuild of the object boxes in the level and hull
// buffers: first build, swings in twenty frames, slides, reversal, rest, switch colours.
#include "core/engine_state.h"
#include "world/animated_objects.h"
#include "world/mesh_model.h"
#include "world/world_models.h"
#include "support/memory_mesh.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr DWORD LEVEL_VERTICES = 10306; // 9250 + 24 * 44
constexpr DWORD HULL_VERTICES = 4653;   // 4301 + 8 * 44

void ExpectNear(const Vec3& actual, float x, float y, float z, const char* what) {
    EXPECT_NEAR(actual.x, x, 1e-5f) << what;
    EXPECT_NEAR(actual.y, y, 1e-5f) << what;
    EXPECT_NEAR(actual.z, z, 1e-5f) << what;
}

class AnimatedObjectsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.trueShadows = 0;
        levelMesh = level.get();
        hullMesh = hull.get();
        objects.levelModelMesh = &levelMesh;
        objects.hullModelMesh = &hullMesh;
    }
    void TearDown() override { engine.trueShadows = 1; }

    LevelVertex& LevelVertexOf(int object, int j) {
        return level->Vertices<LevelVertex>()[9250 + 24 * object + j];
    }
    HullVertex& HullVertexOf(int object, int j) {
        return hull->Vertices<HullVertex>()[4301 + 8 * object + j];
    }
    void Run(int frames) {
        for (int i = 0; i < frames; ++i)
            objects.UpdateAnimatedObjects();
    }

    std::unique_ptr<MemoryMesh> level =
        std::make_unique<MemoryMesh>(LEVEL_VERTEX_FVF, LEVEL_VERTICES, 6002);
    std::unique_ptr<MemoryMesh> hull =
        std::make_unique<MemoryMesh>(HULL_VERTEX_FVF, HULL_VERTICES, 10);
    ID3DXMesh* levelMesh = nullptr;
    ID3DXMesh* hullMesh = nullptr;
    AnimatedObjects objects;
};

} // namespace

TEST(AnimatedObjectsTables, HoldTheCompiledInLayout) {
    AnimatedObjects objects;
    EXPECT_EQ(objects.objectCount, 44u);
    EXPECT_EQ(objects.firstLevelVertex[0], 9250u);
    EXPECT_EQ(objects.firstLevelVertex[43], 10282u);
    EXPECT_EQ(objects.firstHullVertex[0], 4301u);
    EXPECT_EQ(objects.firstHullVertex[43], 4645u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(objects.isOpen[i], 0) << "object " << i;
        EXPECT_EQ(objects.isMoving[i], i < 44 ? 1 : 0) << "object " << i;
        EXPECT_EQ(objects.openAmount[i], 0.0f) << "object " << i;
    }
    ExpectNear(objects.objectPosition[42], 6.135f, 3.675f, 30.875f, "object 42");
    ExpectNear(objects.objectSize[42], 0.05f, 0.04f, 0.01f, "object 42 size");
    ExpectNear(objects.objectPosition[43], 2.355f, 4.0f, 29.4f, "object 43");
    ExpectNear(objects.objectPosition[5], -4.5609f, 2.83f, 29.1109f, "object 5");
    EXPECT_EQ(objects.closedAngle[5], 315.0f);
    EXPECT_EQ(objects.openAngle[5], 225.0f);
    // Switches never turn or slide; sliding doors keep their angle.
    for (int i = 37; i <= 43; ++i) {
        EXPECT_EQ(objects.closedAngle[i], objects.openAngle[i]) << "switch " << i;
        ExpectNear(objects.slideOffset[i], 0, 0, 0, "switch slide");
    }
    for (int i : {10, 28, 29, 30})
        EXPECT_EQ(objects.closedAngle[i], objects.openAngle[i]) << "slider " << i;
    ExpectNear(objects.slideOffset[10], -0.98f, 0, 0, "object 10 slide");
    ExpectNear(objects.slideOffset[30], -0.79f, 0, 0, "object 30 slide");
    ExpectNear(objects.boxCorners[12], 0, 0, 1, "face 3 corner 0");
    ExpectNear(objects.boxCorners[23], 0, 1, 1, "face 5 corner 3");
    ExpectNear(objects.boxFaceNormals[3], 0, -1, 0, "bottom normal");
    ExpectNear(objects.hullCorners[4], 0, 0, 1, "hull corner 4");
    EXPECT_EQ(objects.levelModelMesh, nullptr);
}

TEST_F(AnimatedObjectsTest, FirstUpdateBuildsEveryBoxAndLeavesBuffersUnlocked) {
    Run(1);
    // Switch 37 faces 90 degrees: width along +z, thickness along -x. By hand its first
    // corner (0, 0, 0) lies at (5.105 + 0.005, 1.2, 3.41 - 0.005).
    ExpectNear(LevelVertexOf(37, 3).position, 5.11f, 1.2f, 3.405f, "switch 37 corner");
    ExpectNear(LevelVertexOf(37, 0).position, 5.11f, 1.3f, 3.405f, "switch 37 top corner");
    ExpectNear(LevelVertexOf(37, 2).position, 5.11f, 1.2f, 3.485f, "switch 37 wide corner");
    ExpectNear(LevelVertexOf(37, 0).normal, 1.0f, 0.0f, 0.0f, "switch 37 front normal");
    // Door 0 closed at 270 degrees: its corner (1, 0, 0) sits a full width towards -z.
    ExpectNear(LevelVertexOf(0, 2).position, 5.03f, 0.05f, 2.0f, "door 0 closed corner");
    ExpectNear(HullVertexOf(0, 0).position, 5.03f, 0.05f, 2.0f, "door 0 hull corner");
    ExpectNear(HullVertexOf(0, 6).position, 5.07f, 1.8f, 2.0f, "door 0 hull far corner");
    // An object that has never moved stays flagged, so it is rebuilt every frame.
    EXPECT_EQ(objects.isMoving[0], 1);
    EXPECT_TRUE(level->Balanced());
    EXPECT_TRUE(hull->Balanced());
    ASSERT_EQ(level->vertexBuffer.lockArguments.size(), 1u);
    EXPECT_EQ(level->vertexBuffer.lockArguments[0].size, 0u);
}

TEST_F(AnimatedObjectsTest, ShadesBoxFacesFromTheObjectLight) {
    // Top faces point up: d = 2.6 / |(3.3, 2.6, -3.1)| = 0.49798.
    Run(1);
    EXPECT_EQ(LevelVertexOf(0, 20).diffuse, 0xFFBFBFBFu); // 0.49798 * 128 + 128 = 191.7
    engine.trueShadows = 1;
    Run(1);
    EXPECT_EQ(LevelVertexOf(0, 20).diffuse, 0xFFDFDFDFu); // 0.49798 * 64 + 192 = 223.9
}

TEST_F(AnimatedObjectsTest, DoorSwingsOpenInTwentyFramesAndClosesAgain) {
    Run(1);
    objects.isOpen[0] = 1;
    objects.isMoving[0] = 1;
    Run(19);
    EXPECT_EQ(objects.isMoving[0], 1);
    EXPECT_LT(objects.openAmount[0], 1.0f);
    Run(1);
    EXPECT_EQ(objects.openAmount[0], 1.0f);
    EXPECT_EQ(objects.isMoving[0], 0);
    // Open at 360 degrees the width runs along +x.
    ExpectNear(LevelVertexOf(0, 2).position, 6.03f, 0.05f, 2.96f, "door 0 open corner");
    ExpectNear(HullVertexOf(0, 0).position, 6.03f, 0.05f, 2.96f, "door 0 open hull corner");

    objects.isOpen[0] = 0;
    objects.isMoving[0] = 1;
    Run(20);
    EXPECT_EQ(objects.openAmount[0], 0.0f);
    EXPECT_EQ(objects.isMoving[0], 0);
    ExpectNear(LevelVertexOf(0, 2).position, 5.03f, 0.05f, 2.0f, "door 0 closed again");
}

TEST_F(AnimatedObjectsTest, ReversesMidSwingAndRestsUntilStartedAgain) {
    Run(1);
    objects.isOpen[3] = 1;
    objects.isMoving[3] = 1;
    Run(10);
    EXPECT_NEAR(objects.openAmount[3], 0.5f, 1e-5f);
    objects.isOpen[3] = 0;
    Run(10);
    // Ten float steps of 0.05 leave a sliver above 0; the next step clamps and stops.
    EXPECT_EQ(objects.isMoving[3], 1);
    Run(1);
    EXPECT_EQ(objects.openAmount[3], 0.0f);
    EXPECT_EQ(objects.isMoving[3], 0);

    // At rest, a changed isOpen alone moves nothing.
    const Vec3 before = LevelVertexOf(3, 2).position;
    objects.isOpen[3] = 1;
    Run(5);
    EXPECT_EQ(objects.openAmount[3], 0.0f);
    EXPECT_EQ(LevelVertexOf(3, 2).position, before);
}

TEST_F(AnimatedObjectsTest, SlidingDoorMovesByItsFullOffset) {
    Run(1);
    const Vec3 closed = LevelVertexOf(10, 5).position;
    const Vec3 closedHull = HullVertexOf(10, 3).position;
    objects.isOpen[10] = 1;
    objects.isMoving[10] = 1;
    Run(20);
    const Vec3 open = LevelVertexOf(10, 5).position;
    EXPECT_NEAR(open.x - closed.x, -0.98f, 1e-5f);
    EXPECT_NEAR(open.y - closed.y, 0.0f, 1e-6f);
    EXPECT_NEAR(open.z - closed.z, 0.0f, 1e-6f);
    EXPECT_NEAR(HullVertexOf(10, 3).position.x - closedHull.x, -0.98f, 1e-5f);
    // Its normals keep the yaw.
    ExpectNear(LevelVertexOf(10, 0).normal, 0, 0, -1, "slider front normal");
}

TEST_F(AnimatedObjectsTest, SwitchFrontsShowTheirStateExceptTheSmallest) {
    Run(1);
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(LevelVertexOf(38, j).diffuse, 0xFFFF0000u) << "vertex " << j;
    EXPECT_NE(LevelVertexOf(38, 4).diffuse, 0xFFFF0000u); // the back keeps its shade
    EXPECT_NE(LevelVertexOf(42, 0).diffuse, 0xFFFF0000u);
    // Switches are rebuilt every frame, so the colour follows isOpen at once, even with
    // isMoving clear.
    objects.isOpen[38] = 1;
    objects.isMoving[38] = 0;
    objects.isOpen[42] = 1;
    Run(1);
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(LevelVertexOf(38, j).diffuse, 0xFF00FF00u) << "vertex " << j;
    EXPECT_NE(LevelVertexOf(42, 0).diffuse, 0xFF00FF00u);
}

TEST_F(AnimatedObjectsTest, SmallModelsAreNotOverrun) {
    // A hull too short for the object boxes is left untouched instead of written past its end.
    auto shortHull = std::make_unique<MemoryMesh>(HULL_VERTEX_FVF, 4400, 10);
    hullMesh = shortHull.get();
    Run(1);
    EXPECT_EQ(shortHull->Vertices<HullVertex>()[4399].position, Vec3(0, 0, 0));
    ExpectNear(shortHull->Vertices<HullVertex>()[4301].position, 5.03f, 0.05f, 2.0f, "door 0");
    EXPECT_TRUE(shortHull->Balanced());
}
