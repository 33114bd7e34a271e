// Cost of the per-frame collision on the built level: the sphere standing at the start, and
// walking into a wall, against the whole hull; for scale, the cost of only computing every
// hull face's normal, which testing the planes before the boxes would pay on every call.
#include "player/collision.h"
#include "player/level_session.h"
#include "player/movement.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

LevelSession session;
Vec3 standing;

// Lets the player fall onto the floor at the start and remembers where it stands.
void Settle() {
    player = PlayerState();
    player.collisionModel = &levelModels[HULL_MODEL];
    uint8_t keys[256] = {};
    SetCursorPos(320, 240);
    player.lastCursorX = 320;
    player.lastCursorY = 240;
    for (int i = 0; i < 200; ++i) {
        UpdatePlayer(player, keys, 2.0f);
    }
    standing = player.position;
}

void CollideStanding(benchmark::State& state) {
    Vec3 normal;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            CollideSphere(player, standing, standing + Vec3(0, -0.018f, 0), 0.48f, normal));
    }
    state.counters["faces"] = static_cast<double>(levelModels[HULL_MODEL].mesh->GetNumFaces());
}
BENCHMARK(CollideStanding);

void UpdatePlayerWalking(benchmark::State& state) {
    uint8_t keys[256] = {};
    keys[VK_UP] = 1;
    for (auto _ : state) {
        UpdatePlayer(player, keys, 2.0f);
    }
}
BENCHMARK(UpdatePlayerWalking);

void EveryFaceNormal(benchmark::State& state) {
    ID3DXMesh* mesh = levelModels[HULL_MODEL].mesh;
    for (auto _ : state) {
        BYTE* indices = nullptr;
        BYTE* vertices = nullptr;
        mesh->LockIndexBuffer(0, &indices);
        mesh->LockVertexBuffer(0, &vertices);
        Vec3 sum(0, 0, 0);
        for (DWORD face = 0; face < mesh->GetNumFaces(); ++face) {
            Vec3 v[3];
            for (int k = 0; k < 3; ++k) {
                const WORD index = reinterpret_cast<const WORD*>(indices)[3 * face + k];
                std::memcpy(&v[k], vertices + index * sizeof(HullVertex), sizeof(Vec3));
            }
            const Vec3 e1 = v[1] - v[0];
            const Vec3 e2 = v[2] - v[0];
            Vec3 n;
            D3DXVec3Cross(&n, &e1, &e2);
            D3DXVec3Normalize(&n, &n);
            sum += n;
        }
        mesh->UnlockVertexBuffer();
        mesh->UnlockIndexBuffer();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(EveryFaceNormal);

} // namespace

int main(int argc, char** argv) {
    if (!session.Open()) {
        std::fprintf(stderr, "cannot open the level: %s\n", session.error.c_str());
        return 1;
    }
    Settle();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    session.Close();
    return 0;
}
