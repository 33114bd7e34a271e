// The per-frame functions on the built level, each from a typical place: the player standing
// in the yard at the start, or the eye in the hall where most lamps and doors are near.
#include "core/engine_state.h"
#include "player/collision.h"
#include "player/interaction.h"
#include "player/player_state.h"
#include "render/frame.h"
#include "sound/sound_logic.h"
#include "world/animated_objects.h"
#include "world/corona_tables.h"
#include "world/world_update.h"

#include <benchmark/benchmark.h>

namespace {

// The start of the game: the sphere resting on the yard, walking forward.
const Vec3 YARD_POSITION(2.0f, 0.485f, 0.5f);
// Inside the house at the foot of the stairs, looking along the hall.
const Vec3 HALL_EYE(5.0f, 3.6f, 21.5f);
const Vec3 HALL_DIRECTION(0.3f, -0.1f, 1.0f);

void BM_CollideSphere(benchmark::State& state) {
    PlayerState walker = player;
    Vec3 normal;
    for (auto _ : state) {
        const Vec3 to = YARD_POSITION + Vec3(0.0f, -0.006f, 0.1f);
        benchmark::DoNotOptimize(
            CollideSphere(walker, YARD_POSITION, to, engine.collisionRadius, normal));
    }
}
BENCHMARK(BM_CollideSphere);

// One corona's line-of-sight ray cast, as the coronas make it every frame for each lamp in
// range: from the eye to the lamp against the whole level model.
void BM_CoronaRayCast(benchmark::State& state) {
    int lamp = 0;
    for (auto _ : state) {
        Vec3 toLight = coronaPositions[lamp] - HALL_EYE;
        const float distance = D3DXVec3Length(&toLight);
        D3DXVec3Normalize(&toLight, &toLight);
        benchmark::DoNotOptimize(LineOfSightClear(HALL_EYE, toLight, distance));
        lamp = (lamp + 1) % CORONA_COUNT;
    }
}
BENCHMARK(BM_CoronaRayCast);

// The objects' update with every door and switch in motion (the most it ever does).
void BM_UpdateAnimatedObjects(benchmark::State& state) {
    for (auto _ : state) {
        for (uint32_t i = 0; i < animatedObjects.objectCount; ++i) {
            animatedObjects.isMoving[i] = 1;
            animatedObjects.openAmount[i] = 0.5f;
        }
        animatedObjects.UpdateAnimatedObjects();
    }
    for (uint32_t i = 0; i < animatedObjects.objectCount; ++i) {
        animatedObjects.isOpen[i] = 0;
        animatedObjects.openAmount[i] = 0.0f;
        animatedObjects.isMoving[i] = 1;
    }
    animatedObjects.UpdateAnimatedObjects();
}
BENCHMARK(BM_UpdateAnimatedObjects);

void BM_UpdateWorld(benchmark::State& state) {
    for (auto _ : state) {
        UpdateWorld(engine.gameSpeed);
    }
}
BENCHMARK(BM_UpdateWorld);

void BM_SoundUpdate(benchmark::State& state) {
    for (auto _ : state) {
        SoundUpdate(engine.gameSpeed, HALL_EYE, HALL_DIRECTION);
    }
}
BENCHMARK(BM_SoundUpdate);

// One in-game frame's drawing, submitted to the software rasteriser and presented to the
// back buffer only; Present waits for the rasteriser to finish the frame, so the wall time is
// the whole frame's and the CPU time the submitting thread's share.
void BM_RenderFrame(benchmark::State& state) {
    const int32_t mode = engine.screenMode;
    engine.screenMode = SCREEN_MODE_GAME;
    for (auto _ : state) {
        RenderFrame(engine.gameSpeed, HALL_EYE, HALL_DIRECTION);
    }
    engine.screenMode = mode;
}
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMillisecond);

} // namespace
