// Where the bot sees the animated objects: their boxes in the visible level model and how far
// they have moved.
#include "tools/runner/bot/bot_sight.h"

#include "core/engine_state.h"
#include "world/animated_objects.h"
#include "world/mesh_model.h"
#include "world/world_models.h"

namespace botsight {

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
