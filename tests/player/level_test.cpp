// The player on the built level: standing at the start, walking into every direction without
// leaving the hull, and clicking every one of the 44 objects from in front of one of its box
// faces.
#include "player/interaction.h"
#include "player/level_session.h"
#include "player/movement.h"
#include "sound/sound_logic.h"
#include "world/mesh_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

LevelSession session;
bool opened = false;

struct Box {
    Vec3 lo;
    Vec3 hi;
};

// The bounds of the hull's vertices.
Box HullBounds() {
    ID3DXMesh* mesh = levelModels[HULL_MODEL].mesh;
    BYTE* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    Box box{Vec3(1e9f, 1e9f, 1e9f), Vec3(-1e9f, -1e9f, -1e9f)};
    for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
        Vec3 p;
        std::memcpy(&p, data + i * sizeof(HullVertex), sizeof p);
        D3DXVec3Minimize(&box.lo, &box.lo, &p);
        D3DXVec3Maximize(&box.hi, &box.hi, &p);
    }
    mesh->UnlockVertexBuffer();
    return box;
}

// The corners of one face of the level model.
std::array<Vec3, 3> LevelFace(DWORD face) {
    ID3DXMesh* mesh = levelModels[LEVEL_MODEL].mesh;
    BYTE* indices = nullptr;
    BYTE* vertices = nullptr;
    mesh->LockIndexBuffer(0, &indices);
    mesh->LockVertexBuffer(0, &vertices);
    std::array<Vec3, 3> corners;
    for (int k = 0; k < 3; ++k) {
        const WORD index = reinterpret_cast<const WORD*>(indices)[3 * face + k];
        std::memcpy(&corners[k], vertices + index * sizeof(LevelVertex), sizeof(Vec3));
    }
    mesh->UnlockVertexBuffer();
    mesh->UnlockIndexBuffer();
    return corners;
}

class LevelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { opened = session.Open(); }
    static void TearDownTestSuite() { session.Close(); }

    void SetUp() override {
        ASSERT_TRUE(opened) << session.error;
        player = PlayerState();
        player.collisionModel = &levelModels[HULL_MODEL];
        groundNormal = Vec3(0.0f, 0.0f, 0.0f);
        onGround = false;
        walkingStarted = false;
        SetCursorPos(320, 240);
        player.lastCursorX = 320;
        player.lastCursorY = 240;
        keys.fill(0);
    }
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            UpdatePlayer(player, keys.data(), 2.0f);
        }
    }

    std::array<uint8_t, 256> keys = {};
};

TEST_F(LevelTest, PlayerSettlesOnTheFloorAtTheStart) {
    Frames(200);
    ASSERT_TRUE(onGround);
    EXPECT_GT(groundNormal.y, 0.85f);
    const Vec3 settled = player.position;
    Frames(200);
    EXPECT_NEAR(player.position.x, settled.x, 1e-4f);
    EXPECT_NEAR(player.position.y, settled.y, 1e-4f);
    EXPECT_NEAR(player.position.z, settled.z, 1e-4f);
}

TEST_F(LevelTest, WallsHoldThePlayerInEveryDirection) {
    const Box bounds = HullBounds();
    float farthest = 0.0f;
    for (int heading = 0; heading < 360; heading += 45) {
        SetUp();
        Frames(100);
        const Vec3 start = player.position;
        player.yaw = static_cast<float>(heading);
        keys[VK_UP] = 1;
        for (int frame = 0; frame < 400; ++frame) {
            Frames(1);
            const Vec3& p = player.position;
            ASSERT_TRUE(p.x > bounds.lo.x && p.x < bounds.hi.x && p.z > bounds.lo.z &&
                        p.z < bounds.hi.z && p.y > bounds.lo.y)
                << "heading " << heading << " frame " << frame << " at (" << p.x << ", " << p.y
                << ", " << p.z << ")";
        }
        const Vec3 moved = player.position - start;
        farthest = std::max(farthest, D3DXVec3Length(&moved));
    }
    EXPECT_GT(farthest, 1.0f);
}

TEST_F(LevelTest, EveryObjectCanBeClickedFromInFrontOfItsBox) {
    engine.soundsEnabled = 1;
    for (int object = 0; object < OBJECT_COUNT; ++object) {
        bool clicked = false;
        for (int side = 0; side < 6 && !clicked; ++side) {
            const std::array<Vec3, 3> f =
                LevelFace(FIRST_OBJECT_LEVEL_FACE + 12 * object + 2 * side);
            const Vec3 e1 = f[1] - f[0];
            const Vec3 e2 = f[2] - f[0];
            Vec3 n;
            D3DXVec3Cross(&n, &e1, &e2);
            D3DXVec3Normalize(&n, &n);
            const Vec3 centre = (f[0] + f[1] + f[2]) / 3.0f;
            for (const float sign : {1.0f, -1.0f}) {
                std::memset(animatedObjects.isOpen, 0, sizeof animatedObjects.isOpen);
                lastActivatedObject = -1;
                animatedObjects.ObjectClick(centre + n * (sign * 1.0f), n * -sign);
                if (lastActivatedObject == object) {
                    clicked = true;
                    break;
                }
            }
        }
        EXPECT_TRUE(clicked) << "object " << object;
    }
    std::memset(animatedObjects.isOpen, 0, sizeof animatedObjects.isOpen);
    engine.cameraSequenceActive = 0;
}

} // namespace
