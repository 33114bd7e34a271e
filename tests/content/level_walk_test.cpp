// Walking the level with the engine's own player movement and sphere collision: routes that
// climb the garden steps, pass the doors (held open), go up the hall stairs, through the
// lobby and utility room, into the shed, the west room and down into the pool and out again.
// A route fails when the walking player cannot reach one of its way points. And the engine's
// own object update leaves the boxes of the files where they are on the first frame.
#include "level_data.h"

#include "core/engine_state.h"
#include "support/fake_device.h"
#include "player/movement.h"
#include "player/player_state.h"
#include "world/animated_objects.h"
#include "world/mesh_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace leveltest;

namespace {

const double HULL_CORNERS[8][3] = {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                   {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};

struct WayPoint {
    float x, z;
};

class LevelWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        hull.device = &device;
        std::string path = std::string(OVREL_DATA_DIR) + "/L1add3.x";
        ASSERT_EQ(hull.LoadMeshModel(path.c_str()), S_OK);
        // Every door stands open, as the switches allow.
        BYTE* vb = nullptr;
        hull.mesh->LockVertexBuffer(0, &vb);
        for (int i = 0; i < 37; ++i) {
            for (int j = 0; j < 8; ++j) {
                V3 c =
                    ObjectCorner(i, 1, HULL_CORNERS[j][0], HULL_CORNERS[j][1], HULL_CORNERS[j][2]);
                float p[3] = {static_cast<float>(c.x), static_cast<float>(c.y),
                              static_cast<float>(c.z)};
                std::memcpy(vb + (4301 + 8 * i + j) * 24, p, 12);
            }
        }
        hull.mesh->UnlockVertexBuffer();
        player = PlayerState();
        player.collisionModel = &hull;
        std::memset(engine.keyState, 0, sizeof engine.keyState);
    }

    // Puts the player down at (x, y, z) and lets it settle.
    void PlaceAt(float x, float y, float z) {
        player.position = Vec3(x, y, z);
        player.walkVelocity = Vec3(0, 0, 0);
        player.fallVelocity = Vec3(0, 0, 0);
        walkingStarted = false;
        onGround = false;
        engine.keyState[VK_UP] = 0;
        for (int i = 0; i < 60; ++i) {
            UpdatePlayer(player, engine.keyState, 2.0f);
        }
    }

    // Walks forward towards each way point in turn; true when all are reached.
    bool Walk(const std::vector<WayPoint>& route, std::string& where) {
        for (const WayPoint& w : route) {
            int frames = 0;
            for (;; ++frames) {
                float dx = w.x - player.position.x, dz = w.z - player.position.z;
                if (std::sqrt(dx * dx + dz * dz) < 0.25f) {
                    break;
                }
                if (frames > 600) {
                    where = "stuck at (" + std::to_string(player.position.x) + ", " +
                            std::to_string(player.position.y) + ", " +
                            std::to_string(player.position.z) + ") on the way to (" +
                            std::to_string(w.x) + ", " + std::to_string(w.z) + ")";
                    engine.keyState[VK_UP] = 0;
                    return false;
                }
                float yaw = std::atan2(dx, dz) * 57.29578f;
                player.yaw = yaw < 0 ? yaw + 360 : yaw;
                player.pitch = 0;
                engine.keyState[VK_UP] = 1;
                UpdatePlayer(player, engine.keyState, 2.0f);
            }
        }
        engine.keyState[VK_UP] = 0;
        return true;
    }

    FakeDevice device;
    MeshModel hull;
};

} // namespace

TEST_F(LevelWalk, FromTheStartUpTheGardenStepsIntoTheHouseAndUpstairs) {
    PlaceAt(2.0f, 0.5f, 0.5f);
    EXPECT_NEAR(player.position.y, 0.48f, 0.01f) << "the start does not stand on the ground";
    std::string where;
    EXPECT_TRUE(Walk({{3.5f, 8.0f},
                      {3.5f, 15.0f},
                      {4.0f, 19.0f},
                      {4.0f, 21.5f},
                      {5.8f, 21.0f},
                      {6.9f, 20.7f},
                      {6.9f, 25.6f},
                      {0.0f, 25.7f}},
                     where))
        << where;
    EXPECT_GT(player.position.y, 5.2f) << "not upstairs";
}

TEST_F(LevelWalk, ThroughTheLobbyIntoTheUtilityRoomAndTheStudy) {
    PlaceAt(1.5f, 3.1f, 26.5f);
    std::string where;
    EXPECT_TRUE(Walk({{1.5f, 28.8f}, {3.5f, 28.75f}, {4.5f, 29.0f}}, where)) << where;
    PlaceAt(1.5f, 3.1f, 26.5f);
    EXPECT_TRUE(Walk({{1.5f, 28.8f}, {-3.0f, 28.9f}, {-3.0f, 31.0f}}, where)) << where;
}

TEST_F(LevelWalk, ThroughTheDiagonalStudyDoorBothWays) {
    // The study lies 0.3 above the living room; door 5 stands open between them.
    std::string where;
    PlaceAt(-3.2f, 3.4f, 29.6f);
    EXPECT_TRUE(Walk({{-4.0f, 28.6f}, {-5.2f, 27.4f}}, where)) << where;
    EXPECT_LT(player.position.y, 3.1f) << "not down in the living room";
    EXPECT_TRUE(Walk({{-4.0f, 28.6f}, {-3.2f, 29.6f}}, where)) << where;
    EXPECT_GT(player.position.y, 3.25f) << "not up in the study";
}

TEST_F(LevelWalk, IntoTheShedAndTheWestRoom) {
    PlaceAt(3.0f, 0.5f, 2.5f);
    std::string where;
    // The open cabinet flaps stand out into the shed up to z 2.13: pass south of them.
    EXPECT_TRUE(Walk({{4.4f, 2.6f}, {6.5f, 2.4f}, {9.5f, 1.5f}}, where)) << where;
    PlaceAt(-6.0f, 3.1f, 26.0f);
    EXPECT_TRUE(Walk({{-8.2f, 28.3f}, {-8.2f, 30.2f}}, where)) << where;
    EXPECT_GT(player.position.y, 3.25f) << "not up in the west room";
}

TEST_F(LevelWalk, DownIntoThePoolAndBackOut) {
    PlaceAt(-1.5f, 3.1f, 22.6f);
    std::string where;
    EXPECT_TRUE(Walk({{-1.5f, 18.5f}, {-5.0f, 17.0f}}, where)) << where;
    EXPECT_LT(player.position.y, 1.4f) << "not on the pool floor";
    EXPECT_TRUE(Walk({{-1.5f, 18.3f}, {-1.5f, 22.6f}}, where)) << where;
    EXPECT_GT(player.position.y, 2.9f) << "not back on the terrace";
}

TEST_F(LevelWalk, WallsAndTheTerraceFaceStopTheSphere) {
    // Without steps the 2.5 high terrace face cannot be climbed, and the yard wall holds.
    PlaceAt(-5.0f, 0.5f, 10.0f);
    std::string where;
    EXPECT_FALSE(Walk({{-5.0f, 16.0f}}, where));
    EXPECT_LT(player.position.z, 14.0f - 0.47f);
    PlaceAt(-5.0f, 0.5f, 0.0f);
    EXPECT_FALSE(Walk({{-5.0f, -4.0f}}, where));
    EXPECT_GT(player.position.z, -2.35f + 0.47f);
}

TEST(LevelFirstFrame, TheEngineRebuildsEveryBoxWhereTheFilesHaveIt) {
    // The first world update rebuilds all 44 boxes (every object starts moving); nothing may
    // jump. Run the engine's own update over the loaded level and hull.
    FakeDevice device;
    MeshModel level, hull;
    level.device = hull.device = &device;
    ASSERT_EQ(level.LoadMeshModel((std::string(OVREL_DATA_DIR) + "/L1.x").c_str()), S_OK);
    ASSERT_EQ(hull.LoadMeshModel((std::string(OVREL_DATA_DIR) + "/L1add3.x").c_str()), S_OK);
    auto positions = [](MeshModel& model, size_t first, size_t count, size_t stride) {
        std::vector<float> out;
        BYTE* vb = nullptr;
        model.mesh->LockVertexBuffer(0, &vb);
        for (size_t v = first; v < first + count; ++v) {
            float p[3];
            std::memcpy(p, vb + v * stride, 12);
            out.insert(out.end(), p, p + 3);
        }
        model.mesh->UnlockVertexBuffer();
        return out;
    };
    std::vector<float> levelBefore = positions(level, 9250, 44 * 24, 36);
    std::vector<float> hullBefore = positions(hull, 4301, 44 * 8, 24);
    ID3DXMesh** savedLevel = animatedObjects.levelModelMesh;
    ID3DXMesh** savedHull = animatedObjects.hullModelMesh;
    animatedObjects.levelModelMesh = &level.mesh;
    animatedObjects.hullModelMesh = &hull.mesh;
    for (int i = 0; i < 44; ++i) {
        animatedObjects.isOpen[i] = 0;
        animatedObjects.isMoving[i] = 1;
        animatedObjects.openAmount[i] = 0;
    }
    animatedObjects.UpdateAnimatedObjects();
    animatedObjects.levelModelMesh = savedLevel;
    animatedObjects.hullModelMesh = savedHull;
    std::vector<float> levelAfter = positions(level, 9250, 44 * 24, 36);
    std::vector<float> hullAfter = positions(hull, 4301, 44 * 8, 24);
    for (size_t k = 0; k < levelBefore.size(); ++k) {
        ASSERT_NEAR(levelAfter[k], levelBefore[k], 1e-5f)
            << "object " << k / 72 << " corner " << (k / 3) % 24 << " moves on the first frame";
    }
    for (size_t k = 0; k < hullBefore.size(); ++k) {
        ASSERT_NEAR(hullAfter[k], hullBefore[k], 1e-5f)
            << "object " << k / 24 << " hull corner " << (k / 3) % 8 << " moves on the first frame";
    }
}
