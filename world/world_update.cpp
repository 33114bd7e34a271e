// UpdateWorld: the frame-rate measurement, the animated objects and the water surface, whose
// first 42 vertices are moved by two interfering circular waves and whose texture swims.
#include "world/world_update.h"

#include "core/engine_state.h"
#include "world/animated_objects.h"
#include "world/world_models.h"

#include <algorithm>
#include <cmath>

int32_t waterDrainActive = 0;
float waterTime = 0.0f;
int32_t statFrameCounter = 0;
DWORD statStartTime = 0;

namespace {

constexpr int32_t FRAMES_PER_MEASUREMENT = 50;
constexpr uint32_t MOVING_WATER_VERTICES = 42;
constexpr float DRAINED_LEVEL = 1.0f;
constexpr Vec3 WATER_CENTRE_A(-3.0f, 0.0f, 22.0f);
constexpr Vec3 WATER_CENTRE_B(-6.0f, 0.0f, 17.0f);

void MeasureFrameRate() {
    if (++statFrameCounter != FRAMES_PER_MEASUREMENT)
        return;
    const DWORD now = GetTickCount();
    DWORD elapsed = now - statStartTime;
    // Fifty frames within one clock tick would divide by zero; they count as taking 1 ms.
    if (elapsed == 0)
        elapsed = 1;
    const float rate =
        static_cast<float>(FRAMES_PER_MEASUREMENT / (static_cast<double>(elapsed) / 1000.0));
    statStartTime = GetTickCount();
    statFrameCounter = 0;
    engine.currentFps = rate;
    if (rate > engine.maxFps)
        engine.maxFps = rate;
}

// Heights follow the two waves; the texture coordinates swim with them. The distances use
// each vertex's height from the previous frame, as the waves have always done.
void MoveWater(TexturedVertex* vertices, uint32_t count) {
    const float t = waterTime;
    const float level = engine.waterLevel;
    for (uint32_t k = 0; k < count; ++k) {
        TexturedVertex& vertex = vertices[k];
        const Vec3 p = vertex.position;
        const Vec3 toA = p - WATER_CENTRE_A;
        const Vec3 toB = p - WATER_CENTRE_B;
        const float d1 = D3DXVec3Length(&toA);
        const float d2 = D3DXVec3Length(&toB);
        const float height =
            (sinf(t * 10.0f + d1 * 2.0f) + cosf(t * 4.0f + d2 * 2.0f)) * 0.05f + level;
        const float m = sinf(t * 5.0f + d1 * 4.0f) + cosf(t * 2.0f + d2 * 4.0f);
        const float u = m * 0.1f + p.x / 4.0f + 0.1f + sinf(t * 4.0f + d1 * 2.0f) * 0.1f;
        const float v = m * 0.1f + p.z / 4.0f + 0.1f - cosf(t * 1.5f + d2 * 2.0f) * 0.1f;
        vertex.position.y = height;
        vertex.u = u;
        vertex.v = v;
    }
}

} // namespace

HRESULT UpdateWorld(float gameSpeed) {
    MeasureFrameRate();
    animatedObjects.UpdateAnimatedObjects();

    ID3DXMesh* water = levelModels[WATER_MODEL].mesh;
    IDirect3DVertexBuffer8* buffer = nullptr;
    BYTE* data = nullptr;
    if (water != nullptr)
        water->GetVertexBuffer(&buffer);
    if (buffer != nullptr && FAILED(buffer->Lock(0, 0, &data, 0)))
        data = nullptr;

    waterTime = waterTime + 0.01f * gameSpeed;
    // The last step may take the water a little below the drained level; it stays there.
    if (waterDrainActive != 0 && engine.waterLevel > DRAINED_LEVEL)
        engine.waterLevel = engine.waterLevel - 0.002f * gameSpeed;

    // Only a water model with the textured layout can be moved; never past its last vertex.
    if (data != nullptr && water->GetFVF() == TEXTURED_VERTEX_FVF) {
        const uint32_t count =
            std::min(MOVING_WATER_VERTICES, static_cast<uint32_t>(water->GetNumVertices()));
        MoveWater(reinterpret_cast<TexturedVertex*>(data), count);
    }

    if (buffer != nullptr) {
        if (data != nullptr)
            buffer->Unlock();
        buffer->Release();
    }
    return S_OK;
}
