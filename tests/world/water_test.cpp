// The per-frame world step: the water clock, the drain, the wave heights and texture swim of
// the first 42 water vertices, and the frame-rate measurement.
#include "core/engine_state.h"
#include "world/world_models.h"
#include "world/world_update.h"
#include "support/memory_mesh.h"
#include "win32/win32_platform.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

DWORD fakeTicks = 0;
DWORD FakeClock() {
    return fakeTicks;
}

class WorldUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        levelModels[WATER_MODEL].mesh = &water;
        TexturedVertex* v = water.Vertices<TexturedVertex>();
        for (int k = 0; k < 50; ++k)
            v[k] = {Vec3(-3.0f + 0.5f * static_cast<float>(k % 7), 2.3f,
                         22.0f + 0.5f * static_cast<float>(k / 7)),
                    Vec3(0, 1, 0), 0.5f, 0.75f};
        waterTime = 0.0f;
        waterDrainActive = 0;
        engine.waterLevel = 2.3f;
        engine.currentFps = 0.0f;
        engine.maxFps = 0.0f;
        statFrameCounter = 0;
        statStartTime = 0;
        fakeTicks = 0;
        Win32SetTickSource(FakeClock);
    }
    void TearDown() override {
        Win32SetTickSource(nullptr);
        levelModels[WATER_MODEL].mesh = nullptr;
        engine.waterLevel = 2.3f;
        waterDrainActive = 0;
    }

    MemoryMesh water{TEXTURED_VERTEX_FVF, 50, 10};
};

} // namespace

TEST_F(WorldUpdateTest, WaterClockAdvancesByGameSpeed) {
    UpdateWorld(2.0f);
    EXPECT_FLOAT_EQ(waterTime, 0.02f);
    UpdateWorld(1.0f);
    EXPECT_FLOAT_EQ(waterTime, 0.03f);
    EXPECT_EQ(engine.waterLevel, 2.3f);
    EXPECT_TRUE(water.Balanced());
    ASSERT_FALSE(water.vertexBuffer.lockArguments.empty());
    EXPECT_EQ(water.vertexBuffer.lockArguments[0].offset, 0u);
    EXPECT_EQ(water.vertexBuffer.lockArguments[0].size, 0u);
    EXPECT_EQ(water.vertexBuffer.lockArguments[0].flags, 0u);
}

TEST_F(WorldUpdateTest, WavesMoveTheFirst42VerticesOnly) {
    UpdateWorld(2.0f);
    const TexturedVertex* v = water.Vertices<TexturedVertex>();
    // Vertex 0 sits at (-3, 2.3, 22), on centre A: d1 = 2.3, d2 = |(3, 2.3, 5)| = 6.268174.
    // With T = 0.02, worked out in double:
    //   y = (sin(4.8) + cos(12.616347)) * 0.05 + 2.3 = 2.300129
    //   m = sin(9.3) + cos(25.112694) = 1.124253
    //   u = 0.1124253 - 0.75 + 0.1 + sin(4.68) * 0.1 = -0.637522
    //   v = 0.1124253 + 5.5 + 0.1 - cos(12.566347) * 0.1 = 5.612425
    EXPECT_NEAR(v[0].position.y, 2.300129f, 2e-5f);
    EXPECT_NEAR(v[0].u, -0.637522f, 2e-5f);
    EXPECT_NEAR(v[0].v, 5.612425f, 2e-5f);
    EXPECT_EQ(v[0].position.x, -3.0f);
    EXPECT_EQ(v[0].position.z, 22.0f);
    EXPECT_EQ(v[0].normal, Vec3(0, 1, 0));
    for (int k = 0; k < 42; ++k)
        EXPECT_LE(std::fabs(v[k].position.y - 2.3f), 0.1f + 1e-6f) << "vertex " << k;
    for (int k = 42; k < 50; ++k) {
        EXPECT_EQ(v[k].position.y, 2.3f) << "vertex " << k;
        EXPECT_EQ(v[k].u, 0.5f) << "vertex " << k;
        EXPECT_EQ(v[k].v, 0.75f) << "vertex " << k;
    }
}

TEST_F(WorldUpdateTest, DrainLowersTheWaterIn326FramesToAbout0996) {
    waterDrainActive = 1;
    for (int frame = 0; frame < 325; ++frame)
        UpdateWorld(2.0f);
    EXPECT_GT(engine.waterLevel, 1.0f);
    UpdateWorld(2.0f);
    EXPECT_LE(engine.waterLevel, 1.0f);
    EXPECT_NEAR(engine.waterLevel, 0.996f, 1e-4f);
    const float rested = engine.waterLevel;
    for (int frame = 0; frame < 10; ++frame)
        UpdateWorld(2.0f);
    EXPECT_EQ(engine.waterLevel, rested);
    // The surface now waves around the drained level.
    EXPECT_LT(water.Vertices<TexturedVertex>()[5].position.y, 1.1f);
}

TEST_F(WorldUpdateTest, FrameRateIsMeasuredEveryFiftyFrames) {
    fakeTicks = 1000;
    for (int frame = 0; frame < 49; ++frame)
        UpdateWorld(2.0f);
    EXPECT_EQ(engine.currentFps, 0.0f);
    UpdateWorld(2.0f); // 50 frames in 1000 ms since the clock's start
    EXPECT_FLOAT_EQ(engine.currentFps, 50.0f);
    EXPECT_FLOAT_EQ(engine.maxFps, 50.0f);

    fakeTicks = 1400;
    for (int frame = 0; frame < 50; ++frame)
        UpdateWorld(2.0f);
    EXPECT_FLOAT_EQ(engine.currentFps, 125.0f);
    fakeTicks = 2400;
    for (int frame = 0; frame < 50; ++frame)
        UpdateWorld(2.0f);
    EXPECT_FLOAT_EQ(engine.currentFps, 50.0f);
    EXPECT_FLOAT_EQ(engine.maxFps, 125.0f);

    // Fifty frames within one clock tick count as 1 ms instead of dividing by zero.
    for (int frame = 0; frame < 50; ++frame)
        UpdateWorld(2.0f);
    EXPECT_FLOAT_EQ(engine.currentFps, 50000.0f);
    EXPECT_TRUE(std::isfinite(engine.maxFps));
}

TEST_F(WorldUpdateTest, ClockWrapStillGivesThePositiveElapsedTime) {
    statStartTime = 0xFFFFFF00u; // 256 ms before the wrap
    statFrameCounter = 49;
    fakeTicks = 0x00000100u; // 512 ms later
    UpdateWorld(2.0f);
    EXPECT_FLOAT_EQ(engine.currentFps, 50.0f / 0.512f);
}
