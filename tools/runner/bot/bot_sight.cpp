// The bot's tests of what a click would do, made with the engine's own ray casts against the
// visible level model and its object faces.
#include "tools/runner/bot/bot_sight.h"

#include "app/engine_state.h"
#include "player/interaction.h"
#include "player/ray_cast.h"
#include "world/animated_objects.h"
#include "world/mesh_model.h"
#include "world/world_models.h"

namespace botsight {

int PickedObject(Vec3 eye, Vec3 d) {
    D3DXVec3Normalize(&d, &d);
    float nearest = 2.0f * RAY_BACK_OFFSET;
    int64_t face = -1;
    for (const RayHit& hit : CastRayFromBehind(levelModels[LEVEL_MODEL].mesh, eye, d)) {
        if (hit.distance > RAY_BACK_OFFSET && hit.distance < nearest) {
            nearest = hit.distance;
            face = hit.face;
        }
    }
    if (face < 0 || nearest >= RAY_BACK_OFFSET + CLICK_REACH) {
        return -1;
    }
    const int64_t relative = face - static_cast<int64_t>(FIRST_OBJECT_LEVEL_FACE);
    if (relative < 0 || relative >= static_cast<int64_t>(OBJECT_FACES) * OBJECT_COUNT) {
        return -1;
    }
    return static_cast<int>(relative / OBJECT_FACES);
}

bool CollectibleTakenFrom(int i, Vec3 eye, Vec3 direction) {
    Vec3 d;
    D3DXVec3Normalize(&d, &direction);
    Vec3 v = engine.collectiblePositions[i] + Vec3(0.0f, 0.1f, 0.0f) - eye;
    const float distance = D3DXVec3Length(&v);
    if (distance > COLLECT_REACH - 0.05f) {
        return false;
    }
    D3DXVec3Normalize(&v, &v);
    if (D3DXVec3Dot(&v, &d) < 0.985f) {
        return false;
    }
    return LineOfSightClear(eye, v, distance);
}

Vec3 ObjectCentre(int object) {
    ID3DXMesh* mesh = levelModels[LEVEL_MODEL].mesh;
    BYTE* data = nullptr;
    Vec3 sum(0.0f, 0.0f, 0.0f);
    if (mesh == nullptr || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
        return animatedObjects.objectPosition[object];
    }
    const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
    const DWORD first = FIRST_OBJECT_LEVEL_VERTEX + 24 * static_cast<DWORD>(object);
    for (DWORD k = 0; k < 24; ++k) {
        const float* p = reinterpret_cast<const float*>(data + (first + k) * stride);
        sum += Vec3(p[0], p[1], p[2]);
    }
    mesh->UnlockVertexBuffer();
    return sum * (1.0f / 24.0f);
}

// Whether an object is still on its way to the state it was switched to. The moving flags
// cannot tell: they stay set on objects that have never been operated.
bool ObjectMoving(int object) {
    const float amount = animatedObjects.openAmount[object];
    return animatedObjects.isOpen[object] != 0 ? amount < 1.0f : amount > 0.0f;
}

bool AnyObjectMoving() {
    for (uint32_t i = 0; i < animatedObjects.objectCount; ++i) {
        if (ObjectMoving(static_cast<int>(i))) {
            return true;
        }
    }
    return false;
}

} // namespace botsight
