// UpdatePlayer: mouse look with its clamps, wraps and cursor re-centring, walking and falling
// speeds, standing still on a floor, and ground detection on slopes around the two limits.
// Expected values come from the per-frame rates worked out by hand.
#include "player/movement.h"

#include "core/engine_state.h"
#include "support/memory_mesh.h"
#include "world/mesh_model.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>

namespace {

constexpr float R = 0.48f;
constexpr int CENTRE_X = 320;
constexpr int CENTRE_Y = 240;

class MovementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine = EngineState();
        engine.screenWidth = 640;
        engine.screenHeight = 480;
        engine.screenRect = RECT{0, 0, 640, 480};
        state = PlayerState();
        groundNormal = Vec3(0.0f, 0.0f, 0.0f);
        onGround = false;
        walkingStarted = false;
        PlaceCursor(CENTRE_X, CENTRE_Y);
        state.lastCursorX = CENTRE_X;
        state.lastCursorY = CENTRE_Y;
        keys.fill(0);
    }
    void TearDown() override { model.mesh = nullptr; }

    void PlaceCursor(int x, int y) { SetCursorPos(x, y); }
    POINT Cursor() {
        POINT p = {0, 0};
        GetCursorPos(&p);
        return p;
    }
    void Use(MemoryMesh& mesh) {
        model.mesh = &mesh;
        state.collisionModel = &model;
    }
    void Frames(int count, float speed = 2.0f) {
        for (int i = 0; i < count; ++i) {
            UpdatePlayer(state, keys.data(), speed);
        }
    }

    MeshModel model;
    PlayerState state;
    std::array<uint8_t, 256> keys = {};
};

// A floor facing up at y = 0 around the origin.
void SetFloor(MemoryMesh& mesh) {
    mesh.SetFace(0, Vec3(-50.0f, 0.0f, -50.0f), Vec3(-50.0f, 0.0f, 150.0f),
                 Vec3(150.0f, 0.0f, -50.0f));
}

// A plane through the origin rising towards +z by gradient g, reaching `extent` downhill and
// three times as far uphill and sideways; its normal is (0, 1, -g) normalised, so it faces up
// and downhill (-z).
struct Slope {
    float g;
    float extent;
};
void SetSlope(MemoryMesh& mesh, Slope slope) {
    const float e = slope.extent;
    mesh.SetFace(0, Vec3(-e, -e * slope.g, -e), Vec3(-e, 3.0f * e * slope.g, 3.0f * e),
                 Vec3(3.0f * e, -e * slope.g, -e));
}

// The face normal's y that the hull reports for the slope.
float SlopeNormalY(Slope slope) {
    MemoryMesh mesh(1);
    SetSlope(mesh, slope);
    const HullVertex* v = reinterpret_cast<const HullVertex*>(mesh.vertexBuffer.bytes.data());
    const Vec3 e1 = v[1].position - v[0].position;
    const Vec3 e2 = v[2].position - v[0].position;
    Vec3 n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return n.y;
}

// A slope whose face reports exactly the normal y wanted, searched near the ideal gradient.
std::optional<Slope> SlopeFor(float normalY) {
    const double ideal = std::sqrt(1.0 / (double(normalY) * normalY) - 1.0);
    for (const float extent : {100.0f, 90.0f, 110.0f, 75.0f, 125.0f, 60.0f, 140.0f}) {
        float up = static_cast<float>(ideal);
        float down = up;
        for (int i = 0; i < 20000; ++i) {
            if (SlopeNormalY({up, extent}) == normalY) {
                return Slope{up, extent};
            }
            if (SlopeNormalY({down, extent}) == normalY) {
                return Slope{down, extent};
            }
            up = std::nextafter(up, 1.0f);
            down = std::nextafter(down, 0.0f);
        }
    }
    return std::nullopt;
}

// The slope with the greatest normal y below the limit that the search reaches, within a few
// floats of it.
std::optional<Slope> SlopeJustBelow(float limit) {
    float y = limit;
    for (int i = 0; i < 8; ++i) {
        y = std::nextafter(y, 0.0f);
        if (const std::optional<Slope> slope = SlopeFor(y)) {
            return slope;
        }
    }
    return std::nullopt;
}

TEST_F(MovementTest, PitchStaysWithinItsLimits) {
    PlaceCursor(CENTRE_X, CENTRE_Y + 2000); // 2000 pixels down: 100 degrees
    Frames(1);
    EXPECT_EQ(state.pitch, -80.0f);

    engine.invertMouse = 1;
    PlaceCursor(CENTRE_X, CENTRE_Y + 4000); // 200 degrees up from -80
    Frames(1);
    EXPECT_EQ(state.pitch, 77.0f);
}

TEST_F(MovementTest, YawWrapsOnceIntoTheCircle) {
    state.yaw = 359.9f;
    PlaceCursor(CENTRE_X + 10, CENTRE_Y); // half a degree right
    Frames(1);
    EXPECT_NEAR(state.yaw, 0.4f, 1e-4f);

    state.yaw = 0.1f;
    PlaceCursor(CENTRE_X + 4, CENTRE_Y); // from 330: 0.3 degrees left
    Frames(1);
    EXPECT_NEAR(state.yaw, 359.8f, 1e-4f);
}

TEST_F(MovementTest, ViewDirectionFollowsYawAndPitch) {
    struct Case {
        float yaw;
        float pitch;
        Vec3 expected;
    };
    const Case cases[] = {
        {0.0f, 0.0f, Vec3(0.0f, 0.0f, 1.0f)},
        {90.0f, 0.0f, Vec3(1.0f, 0.0f, 0.0f)},
        {180.0f, 30.0f, Vec3(0.0f, 0.5f, -0.8660254f)},
        {270.0f, -60.0f, Vec3(-0.5f, -0.8660254f, 0.0f)},
    };
    for (const Case& c : cases) {
        state.yaw = c.yaw;
        state.pitch = c.pitch;
        Frames(1);
        EXPECT_NEAR(state.direction.x, c.expected.x, 1e-6f) << c.yaw << ", " << c.pitch;
        EXPECT_NEAR(state.direction.y, c.expected.y, 1e-6f) << c.yaw << ", " << c.pitch;
        EXPECT_NEAR(state.direction.z, c.expected.z, 1e-6f) << c.yaw << ", " << c.pitch;
    }
}

TEST_F(MovementTest, CursorNearAnEdgeIsPutBackInTheMiddle) {
    PlaceCursor(640 - 5, CENTRE_Y);
    Frames(1);
    EXPECT_NEAR(state.yaw, 315.0f / 20.0f, 1e-4f); // the turn of this frame still counts
    EXPECT_EQ(state.lastCursorX, CENTRE_X);
    EXPECT_EQ(state.lastCursorY, CENTRE_Y);
    EXPECT_EQ(Cursor().x, CENTRE_X);
    EXPECT_EQ(Cursor().y, CENTRE_Y);
    // The next delta is measured from the middle: no further turn.
    Frames(1);
    EXPECT_NEAR(state.yaw, 315.0f / 20.0f, 1e-4f);

    // Exactly 10 pixels from the edge is still inside.
    PlaceCursor(630, 10);
    Frames(1);
    EXPECT_EQ(state.lastCursorX, 630);
    EXPECT_EQ(Cursor().x, 630);
    PlaceCursor(630, 9);
    Frames(1);
    EXPECT_EQ(state.lastCursorY, CENTRE_Y);
    EXPECT_EQ(Cursor().y, CENTRE_Y);
}

TEST_F(MovementTest, FirstFrameTurnsByTheCursorDistanceFromTheCorner) {
    state.lastCursorX = 0;
    state.lastCursorY = 0;
    PlaceCursor(100, 60);
    Frames(1);
    EXPECT_NEAR(state.yaw, 5.0f, 1e-6f);
    EXPECT_NEAR(state.pitch, -3.0f, 1e-6f);
    EXPECT_EQ(groundNormal, Vec3(0.0f, 0.0f, 0.0f)); // nothing to collide with
    EXPECT_TRUE(walkingStarted);
}

TEST_F(MovementTest, FallsUnderGravityUpToTheLimitAndIgnoresKeysInTheAir) {
    state.position = Vec3(0.0f, 100.0f, 0.0f);
    keys[VK_UP] = 1;
    keys[VK_RIGHT] = 1;
    Frames(1);
    EXPECT_NEAR(state.fallVelocity.y, -0.006f, 1e-7f);
    EXPECT_NEAR(state.position.y, 100.0f - 0.006f, 1e-5f);
    Frames(400);
    EXPECT_NEAR(state.fallVelocity.y, -1.4f, 1e-5f);
    EXPECT_EQ(state.position.x, 0.0f);
    EXPECT_EQ(state.position.z, 0.0f);
    EXPECT_FALSE(onGround);
}

TEST_F(MovementTest, StandsStillOnAFlatFloorAtItsRadius) {
    MemoryMesh mesh(1);
    SetFloor(mesh);
    Use(mesh);
    state.position = Vec3(0.0f, 1.5f, 0.0f);
    Frames(100);
    ASSERT_TRUE(onGround);
    for (int frame = 0; frame < 1000; ++frame) {
        Frames(1);
        ASSERT_NEAR(state.position.y, R, 1e-5f) << "frame " << frame;
        ASSERT_EQ(state.position.x, 0.0f);
        ASSERT_EQ(state.position.z, 0.0f);
        ASSERT_TRUE(onGround);
        ASSERT_EQ(groundNormal, Vec3(0.0f, 1.0f, 0.0f));
    }
    // Gravity adds 0.006 a frame and the floor divides by 1.5: the fall settles at 0.012.
    EXPECT_NEAR(state.fallVelocity.y, -0.012f, 1e-6f);
}

TEST_F(MovementTest, WalkingSpeedFollowsTheGameSpeed) {
    for (const float speed : {2.0f, 1.0f}) {
        SetUp();
        MemoryMesh mesh(1);
        SetFloor(mesh);
        Use(mesh);
        state.yaw = 90.0f; // along +x
        state.position = Vec3(0.0f, R, 0.0f);
        Frames(5, speed);
        ASSERT_TRUE(onGround);
        keys[VK_UP] = 1;
        Frames(60, speed);
        const float before = state.position.x;
        Frames(1, speed);
        EXPECT_NEAR(state.position.x - before, 0.05f * speed, 1e-5f) << "speed " << speed;
        EXPECT_NEAR(state.position.z, 0.0f, 1e-5f);
        EXPECT_NEAR(state.position.y, R, 1e-5f);
        TearDown();
    }
}

TEST_F(MovementTest, OppositeKeysCancel) {
    MemoryMesh mesh(1);
    SetFloor(mesh);
    Use(mesh);
    state.yaw = 30.0f;
    state.position = Vec3(1.0f, R, 2.0f);
    Frames(5);
    keys[VK_UP] = keys[VK_DOWN] = keys[VK_LEFT] = keys[VK_RIGHT] = 1;
    Frames(50);
    // Only rounding is left of the four steps; one key alone would walk 5 units.
    EXPECT_NEAR(state.position.x, 1.0f, 1e-3f);
    EXPECT_NEAR(state.position.z, 2.0f, 1e-3f);
}

TEST_F(MovementTest, StrafesAtRightAnglesToTheView) {
    MemoryMesh mesh(1);
    SetFloor(mesh);
    Use(mesh);
    state.position = Vec3(0.0f, R, 0.0f);
    Frames(5);
    keys[VK_RIGHT] = 1; // yaw 0 looks along +z: right is +x
    Frames(30);
    EXPECT_GT(state.position.x, 1.0f);
    EXPECT_NEAR(state.position.z, 0.0f, 1e-5f);
}

// Lets the player settle on a slope and returns how far it moved downhill (along -z) over the
// next 100 frames, and whether it counted as on the ground.
struct SlopeRun {
    float downhill;
    bool grounded;
    float sideways; // with the right arrow held for the same frames
};

class SlopeTest : public MovementTest {
  public:
    SlopeRun Run(Slope slope) {
        SetUp();
        MemoryMesh mesh(1);
        SetSlope(mesh, slope);
        Use(mesh);
        state.position = Vec3(0.0f, 0.6f, 0.0f);
        Frames(30);
        const Vec3 start = state.position;
        Frames(100);
        SlopeRun run{start.z - state.position.z, onGround, 0.0f};
        keys[VK_RIGHT] = 1;
        const float x = state.position.x;
        Frames(20);
        run.sideways = std::fabs(state.position.x - x);
        TearDown();
        return run;
    }
};

TEST_F(SlopeTest, GentleSlopeAboveTheFlatLimitHoldsThePlayer) {
    // The limit is compared in double: a normal y of exactly 0.85f lies above 0.85.
    const std::optional<Slope> atLimit = SlopeFor(0.85f);
    ASSERT_TRUE(atLimit.has_value());
    const SlopeRun run = Run(*atLimit);
    EXPECT_TRUE(run.grounded);
    EXPECT_NEAR(run.downhill, 0.0f, 1e-3f);
    EXPECT_GT(run.sideways, 0.5f);
}

TEST_F(SlopeTest, SlopeBelowTheFlatLimitSlidesButCanBeWalked) {
    const std::optional<Slope> belowLimit = SlopeJustBelow(0.85f);
    ASSERT_TRUE(belowLimit.has_value());
    const SlopeRun run = Run(*belowLimit);
    EXPECT_TRUE(run.grounded);
    // Each frame falls 0.018 (the braked 0.012 plus 0.006 of gravity); pushed back along the
    // normal (0, 0.85, -0.527) that leaves 0.018 * 0.85 * 0.527 = 0.00806 downhill.
    EXPECT_NEAR(run.downhill, 100 * 0.00806f, 0.02f);
    EXPECT_GT(run.sideways, 0.5f);
}

TEST_F(SlopeTest, SteepSlopeAtTheWalkLimitCannotBeWalked) {
    // 0.65f lies below 0.65 in double: not ground.
    const std::optional<Slope> atLimit = SlopeFor(0.65f);
    ASSERT_TRUE(atLimit.has_value());
    const SlopeRun steep = Run(*atLimit);
    EXPECT_FALSE(steep.grounded);
    EXPECT_EQ(steep.sideways, 0.0f);
    EXPECT_GT(steep.downhill, 1.0f);

    const std::optional<Slope> justWalkable = SlopeFor(std::nextafter(0.65f, 1.0f));
    ASSERT_TRUE(justWalkable.has_value());
    const SlopeRun walkable = Run(*justWalkable);
    EXPECT_TRUE(walkable.grounded);
    EXPECT_GT(walkable.sideways, 0.5f);
    EXPECT_GT(walkable.downhill, 0.5f);
}

} // namespace
