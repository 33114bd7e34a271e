// AnimatedObjects: the tables of the doors and switches, and the per-frame rebuild of their
// boxes straight into the level and collision-hull vertex buffers.
#include "world/animated_objects.h"

#include "core/engine_state.h"
#include "world/mesh_model.h"
#include "world/object_box.h"
#include "world/object_table.h"

namespace {

constexpr float OPEN_STEP = 0.05f;
constexpr D3DCOLOR SWITCH_ON_COLOR = 0xFF00FF00;
constexpr D3DCOLOR SWITCH_OFF_COLOR = 0xFFFF0000;

D3DCOLOR GreyShade(int32_t grey) {
    const uint32_t g = static_cast<uint32_t>(grey) & 0xFFu;
    return 0xFF000000u | (g << 16) | (g << 8) | g;
}

// The mesh's vertex buffer locked over its whole length, with its vertex count; empty when
// the model is not loaded.
struct LockedVertices {
    IDirect3DVertexBuffer8* buffer = nullptr;
    BYTE* data = nullptr;
    uint32_t count = 0;
};

LockedVertices LockVertices(ID3DXMesh* mesh) {
    LockedVertices locked;
    if (mesh == nullptr)
        return locked;
    mesh->GetVertexBuffer(&locked.buffer);
    if (locked.buffer != nullptr && SUCCEEDED(locked.buffer->Lock(0, 0, &locked.data, 0)))
        locked.count = mesh->GetNumVertices();
    else
        locked.data = nullptr;
    return locked;
}

void UnlockVertices(LockedVertices& locked) {
    if (locked.buffer == nullptr)
        return;
    if (locked.data != nullptr)
        locked.buffer->Unlock();
    locked.buffer->Release();
    locked.buffer = nullptr;
}

} // namespace

AnimatedObjects::AnimatedObjects() {
    for (int i = 0; i < OBJECT_CAPACITY; ++i) {
        firstLevelVertex[i] = FIRST_OBJECT_LEVEL_VERTEX + 24u * static_cast<uint32_t>(i);
        firstHullVertex[i] = FIRST_OBJECT_HULL_VERTEX + 8u * static_cast<uint32_t>(i);
        slideOffset[i] = Vec3(0.0f, 0.0f, 0.0f);
        closedAngle[i] = 0.0f;
        openAngle[i] = 0.0f;
        openAmount[i] = 0.0f;
        objectSize[i] = Vec3(0.0f, 0.0f, 0.0f);
        objectPosition[i] = Vec3(0.0f, 0.0f, 0.0f);
        isOpen[i] = 0;
        isMoving[i] = 0;
    }
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        const ObjectTableEntry& entry = OBJECT_TABLE[i];
        objectPosition[i] = entry.position;
        objectSize[i] = entry.size;
        closedAngle[i] = entry.closedAngle;
        openAngle[i] = entry.openAngle;
        slideOffset[i] = entry.slideOffset;
        // Every box is built on the first update.
        isMoving[i] = 1;
    }
    for (int j = 0; j < 24; ++j)
        boxCorners[j] = BOX_CORNERS[j];
    for (int j = 0; j < 6; ++j)
        boxFaceNormals[j] = BOX_FACE_NORMALS[j];
    for (int j = 0; j < 8; ++j)
        hullCorners[j] = HULL_CORNERS[j];
    objectCount = OBJECT_COUNT;
    levelModelMesh = nullptr;
    hullModelMesh = nullptr;
}

void AnimatedObjects::UpdateAnimatedObjects() {
    Vec3 lightDir(3.3f, 2.6f, -3.1f);
    D3DXVec3Normalize(&lightDir, &lightDir);

    LockedVertices level = LockVertices(levelModelMesh != nullptr ? *levelModelMesh : nullptr);
    LockedVertices hull = LockVertices(hullModelMesh != nullptr ? *hullModelMesh : nullptr);
    auto* levelVertices = reinterpret_cast<LevelVertex*>(level.data);
    auto* hullVertices = reinterpret_cast<HullVertex*>(hull.data);

    for (uint32_t i = 0; i < objectCount && i < static_cast<uint32_t>(OBJECT_CAPACITY); ++i) {
        if (isMoving[i] == 0 && i <= LAST_DOOR)
            continue;

        if (isOpen[i] != 0 && openAmount[i] < 1.0f)
            openAmount[i] += OPEN_STEP;
        if (isOpen[i] == 0 && openAmount[i] > 0.0f)
            openAmount[i] -= OPEN_STEP;
        if (openAmount[i] < 0.0f) {
            openAmount[i] = 0.0f;
            isMoving[i] = 0;
        }
        if (openAmount[i] > 1.0f) {
            openAmount[i] = 1.0f;
            isMoving[i] = 0;
        }

        const ObjectBoxFrame box =
            ObjectBoxFrameAt(objectPosition[i], objectSize[i], closedAngle[i], openAngle[i],
                             slideOffset[i], openAmount[i]);

        // A model too small for this object's box is left alone rather than overrun.
        if (levelVertices != nullptr && firstLevelVertex[i] + 24u <= level.count) {
            for (int j = 0; j < 24; ++j) {
                const Vec3& c = boxCorners[j];
                const Vec3& f = boxFaceNormals[j / 4];
                LevelVertex& vertex = levelVertices[firstLevelVertex[i] + j];
                vertex.position = ObjectBoxPoint(box, c);
                vertex.normal = ObjectBoxNormal(box, f);
                const float d = D3DXVec3Dot(&vertex.normal, &lightDir);
                const float shade =
                    engine.trueShadows == 0 ? d * 128.0f + 128.0f : d * 64.0f + 192.0f;
                vertex.diffuse = GreyShade(static_cast<int32_t>(shade));
            }
            if (i > LAST_DOOR && i != UNCOLOURED_SWITCH) {
                const D3DCOLOR front = isOpen[i] != 0 ? SWITCH_ON_COLOR : SWITCH_OFF_COLOR;
                for (int j = 0; j < 4; ++j)
                    levelVertices[firstLevelVertex[i] + j].diffuse = front;
            }
        }
        if (hullVertices != nullptr && firstHullVertex[i] + 8u <= hull.count) {
            for (int j = 0; j < 8; ++j) {
                const Vec3& c = hullCorners[j];
                hullVertices[firstHullVertex[i] + j].position = ObjectBoxPoint(box, c);
            }
        }
    }

    UnlockVertices(level);
    UnlockVertices(hull);
}
