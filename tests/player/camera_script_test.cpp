// The scripted camera: worked values of the opening flight's cuts, the fades, and the ends of
// the three switch flights. Expected values are worked out by hand from the per-frame rates.
#include "core/engine_state.h"
#include "player/camera_script.h"

#include <gtest/gtest.h>

namespace {

constexpr float SPEED = 2.0f;
constexpr float TOLERANCE = 1e-4f;

class CameraScriptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine = EngineState();
        engine.screenMode = SCREEN_MODE_GAME;
    }

    // Runs frames until the step changes or the sequence ends; returns the frames run.
    int RunWhileStep(int step, int limit = 2000) {
        int frames = 0;
        while (engine.cameraScriptStep == step && engine.cameraSequenceActive != 0 &&
               frames < limit) {
            EXPECT_EQ(CameraSequenceStep(SPEED), 0);
            ++frames;
            EXPECT_LE(engine.fadeLevel, 1.02f) << "step " << step << " frame " << frames;
            EXPECT_GE(engine.fadeLevel, 0.0f) << "step " << step << " frame " << frames;
        }
        return frames;
    }

    void StartFlight(int step, Vec3 eye, Vec3 target) {
        engine.cameraSequenceActive = 1;
        engine.cameraScriptStep = step;
        engine.cameraPosition = eye;
        engine.cameraDirection = target - eye;
    }
};

TEST_F(CameraScriptTest, OpeningFlightFirstFrameFadesInFromBlack) {
    CameraSequenceStep(SPEED);
    // E.z 0 + 0.1; F = 1 - 0.1; E.x += (0.1 / 300) * 2; E.y 0.5 + 0.02.
    EXPECT_NEAR(engine.cameraPosition.z, 0.1f, TOLERANCE);
    EXPECT_NEAR(engine.fadeLevel, 0.9f, TOLERANCE);
    EXPECT_NEAR(engine.cameraPosition.x, 0.1f / 150.0f, 1e-6f);
    EXPECT_NEAR(engine.cameraPosition.y, 0.52f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.x, -0.196f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.y, 0.002f, TOLERANCE);
    EXPECT_EQ(engine.cameraScriptStep, 0);
}

TEST_F(CameraScriptTest, CutFromStreetToCourtyardRunsCourtyardInSameFrame) {
    const int frames = RunWhileStep(0);
    EXPECT_GE(frames, 99);
    EXPECT_LE(frames, 102);
    ASSERT_EQ(engine.cameraScriptStep, 1);
    // Cut to (4, 6, 15), then one courtyard frame: z + 0.04, fade 16 - 15.04.
    EXPECT_NEAR(engine.cameraPosition.x, 4.0f, TOLERANCE);
    EXPECT_NEAR(engine.cameraPosition.y, 6.0f, TOLERANCE);
    EXPECT_NEAR(engine.cameraPosition.z, 15.04f, TOLERANCE);
    EXPECT_NEAR(engine.fadeLevel, 0.96f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.x, 0.0f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.y, -0.248f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.z, 0.8f, TOLERANCE);
}

TEST_F(CameraScriptTest, CourtyardTurnsOnlyPastNineteen) {
    engine.cameraScriptStep = 1;
    engine.cameraPosition = Vec3(4.0f, 6.0f, 18.98f);
    engine.cameraDirection = Vec3(0.0f, -0.25f, 0.8f);
    CameraSequenceStep(SPEED); // z 19.02 > 19: x += 0.004 * 0.02, z -= 0.004
    EXPECT_NEAR(engine.cameraDirection.x, 0.00008f, 1e-6f);
    EXPECT_NEAR(engine.cameraDirection.z, 0.796f, TOLERANCE);
    EXPECT_NEAR(engine.fadeLevel, 0.0f, TOLERANCE);

    engine.cameraPosition.z = 18.9f;
    engine.cameraDirection = Vec3(0.0f, -0.25f, 0.8f);
    CameraSequenceStep(SPEED); // z 18.94: no turn
    EXPECT_EQ(engine.cameraDirection.x, 0.0f);
    EXPECT_EQ(engine.cameraDirection.z, 0.8f);
}

TEST_F(CameraScriptTest, HallCutStartsOrbitWithDirectionFromBeforeTheLookAt) {
    engine.cameraScriptStep = 2;
    engine.cameraPosition = Vec3(-4.99f, 3.5f, 27.0f);
    engine.cameraDirection = Vec3(-0.5f, 0.1f, 0.3f);
    CameraSequenceStep(SPEED);
    ASSERT_EQ(engine.cameraScriptStep, 3);
    // Cut to (-6, 4, 14.5) looking at (-5, 2.4, 20.5): Dv (1, -1.6, 6). The orbit moves by
    // (-0.004 * 6, 0, 0.004 * 1) and then looks at the point again.
    EXPECT_NEAR(engine.cameraPosition.x, -6.024f, TOLERANCE);
    EXPECT_NEAR(engine.cameraPosition.y, 4.0f, TOLERANCE);
    EXPECT_NEAR(engine.cameraPosition.z, 14.504f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.x, 1.024f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.y, -1.6f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.z, 5.996f, TOLERANCE);
    EXPECT_NEAR(engine.fadeLevel, 0.976f, TOLERANCE);
}

TEST_F(CameraScriptTest, OrbitEndsWithPanFromTheTower) {
    engine.cameraScriptStep = 3;
    engine.cameraPosition = Vec3(-6.0f, 4.0f, 14.5f);
    engine.cameraDirection = Vec3(1.0f, -1.6f, 6.0f);
    const int frames = RunWhileStep(3);
    EXPECT_GT(frames, 100);
    ASSERT_EQ(engine.cameraScriptStep, 7);
    EXPECT_EQ(engine.cameraSequenceActive, 1);
    EXPECT_NEAR(engine.cameraPosition.x, -9.6f, TOLERANCE);
    EXPECT_NEAR(engine.cameraPosition.y, 6.5f, TOLERANCE);
    EXPECT_NEAR(engine.cameraPosition.z, 24.1f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.x, 0.006f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.y, -0.2f, TOLERANCE);
    EXPECT_NEAR(engine.cameraDirection.z, 0.994f, TOLERANCE);
    EXPECT_NEAR(engine.fadeLevel, 6.6f * 0.144f, TOLERANCE);
}

TEST_F(CameraScriptTest, WholeOpeningFlightEndsOpaqueAndKeepsItsStep) {
    int frames = 0;
    for (int step : {0, 1, 2, 3, 7}) {
        ASSERT_EQ(engine.cameraScriptStep, step);
        const int stepFrames = RunWhileStep(step);
        if (step == 1) {
            EXPECT_NEAR(stepFrames, 200, 2);
        }
        if (step == 2) {
            EXPECT_NEAR(stepFrames, 225, 2);
        }
        if (step == 7) {
            // Dv.x from 0.006 by 0.006 per frame past 0.95.
            EXPECT_NEAR(stepFrames, 158, 2);
        }
        frames += stepFrames;
    }
    EXPECT_EQ(engine.cameraSequenceActive, 0);
    EXPECT_EQ(engine.cameraScriptStep, 7);
    EXPECT_EQ(engine.fadeLevel, 1.0f);
    EXPECT_LT(frames, 2000);
}

TEST_F(CameraScriptTest, SwitchFlightsFadeInAndEndOnTheirOwn) {
    struct Case {
        int step;
        Vec3 eye;
        Vec3 target;
        float firstFade; // worked out from the first frame's move
        int frames;      // distance to the end condition over the per-frame move
    };
    const Case cases[] = {
        // x 5.8 - 0.004 * 2.5; fade 2 (5.79 - 5.3).
        {4, Vec3(5.8f, 4.0f, 17.5f), Vec3(5.14f, 3.75f, 20.0f), 0.98f, 0},
        // x -2.0 - 0.02; fade 2 (-2.02 + 2.5); (4.28 - 2) / 0.02 = 114 frames, ends on the next.
        {5, Vec3(-2.0f, 6.25f, 25.7f), Vec3(-3.14f, 6.0f, 26.5f), 0.96f, 115},
        // x -9.5 + 0.014; fade 2 (9.486 - 9); 3 / 0.014 = 214.3 frames.
        {6, Vec3(-9.5f, 2.8f, 19.5f), Vec3(-5.5f, 2.1f, 19.0f), 0.972f, 215},
    };
    for (const Case& c : cases) {
        SetUp();
        StartFlight(c.step, c.eye, c.target);
        CameraSequenceStep(SPEED);
        EXPECT_NEAR(engine.fadeLevel, c.firstFade, TOLERANCE) << "step " << c.step;
        const Vec3 look = c.target - engine.cameraPosition;
        EXPECT_NEAR(engine.cameraDirection.x, look.x, TOLERANCE) << "step " << c.step;
        EXPECT_NEAR(engine.cameraDirection.z, look.z, TOLERANCE) << "step " << c.step;
        const int frames = 1 + RunWhileStep(c.step);
        if (c.frames > 0) {
            EXPECT_NEAR(frames, c.frames, 1) << "step " << c.step;
        }
        EXPECT_EQ(engine.cameraSequenceActive, 0) << "step " << c.step;
        EXPECT_EQ(engine.cameraScriptStep, c.step);
        EXPECT_EQ(engine.fadeLevel, 1.0f) << "step " << c.step;
    }
}

TEST_F(CameraScriptTest, RatesScaleWithGameSpeed) {
    CameraSequenceStep(1.0f);
    EXPECT_NEAR(engine.cameraPosition.z, 0.05f, 1e-6f);
    EXPECT_NEAR(engine.fadeLevel, 0.95f, 1e-6f);
}

} // namespace
