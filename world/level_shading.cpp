// PrepareLevelShading: the true-shadow marking and the simple normal shading of the level.
//
// The marking looks each level triangle up among the shadow-marker triangles by its nine
// corner coordinates in index order. A hash of those coordinates finds the same matches as
// comparing every pair of triangles, in time linear in the two face counts.
#include "world/level_shading.h"

#include "core/engine_state.h"
#include "world/mesh_model.h"
#include "world/world_models.h"

#include <array>
#include <cmath>
#include <cstring>
#include <unordered_set>

namespace {

// One mesh's buffers, locked over their whole length.
struct LockedMesh {
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    BYTE* vertices = nullptr;
    const WORD* indices = nullptr;
    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;
    uint32_t stride = 0;
};

LockedMesh LockMesh(ID3DXMesh* mesh) {
    LockedMesh locked;
    if (mesh == nullptr)
        return locked;
    locked.stride = D3DXGetFVFVertexSize(mesh->GetFVF());
    mesh->GetVertexBuffer(&locked.vertexBuffer);
    mesh->GetIndexBuffer(&locked.indexBuffer);
    BYTE* indexData = nullptr;
    if (locked.vertexBuffer != nullptr &&
        FAILED(locked.vertexBuffer->Lock(0, 0, &locked.vertices, 0)))
        locked.vertices = nullptr;
    if (locked.indexBuffer != nullptr && FAILED(locked.indexBuffer->Lock(0, 0, &indexData, 0)))
        indexData = nullptr;
    locked.indices = reinterpret_cast<const WORD*>(indexData);
    if (locked.vertices != nullptr && locked.indices != nullptr) {
        locked.vertexCount = mesh->GetNumVertices();
        locked.faceCount = mesh->GetNumFaces();
    }
    return locked;
}

void UnlockMesh(LockedMesh& locked) {
    if (locked.vertexBuffer != nullptr) {
        if (locked.vertices != nullptr)
            locked.vertexBuffer->Unlock();
        locked.vertexBuffer->Release();
    }
    if (locked.indexBuffer != nullptr) {
        if (locked.indices != nullptr)
            locked.indexBuffer->Unlock();
        locked.indexBuffer->Release();
    }
    locked = LockedMesh();
}

// Vertex positions sit at the start of every layout.
const Vec3& PositionOf(const LockedMesh& mesh, uint32_t vertex) {
    return *reinterpret_cast<const Vec3*>(mesh.vertices +
                                          static_cast<size_t>(vertex) * mesh.stride);
}

// The nine corner coordinates of a triangle in index order, as bit patterns in which the two
// zeros are one value, so that equal keys mean equal floats. False for a triangle that can
// never compare equal (a NaN coordinate) or that points outside the vertex buffer.
using TriangleKey = std::array<uint32_t, 9>;

bool MakeKey(const LockedMesh& mesh, uint32_t face, TriangleKey& key) {
    for (uint32_t corner = 0; corner < 3; ++corner) {
        const uint32_t vertex = mesh.indices[3 * face + corner];
        if (vertex >= mesh.vertexCount)
            return false;
        const Vec3& p = PositionOf(mesh, vertex);
        const float coordinates[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
            float value = coordinates[axis];
            if (std::isnan(value))
                return false;
            if (value == 0.0f)
                value = 0.0f;
            std::memcpy(&key[corner * 3 + axis], &value, sizeof(uint32_t));
        }
    }
    return true;
}

struct TriangleKeyHash {
    size_t operator()(const TriangleKey& key) const {
        uint64_t hash = 1469598103934665603ull;
        for (uint32_t word : key) {
            hash ^= word;
            hash *= 1099511628211ull;
        }
        return static_cast<size_t>(hash);
    }
};

void MarkTrueShadows(LockedMesh& level, const LockedMesh& marker) {
    std::unordered_set<TriangleKey, TriangleKeyHash> markerTriangles;
    markerTriangles.reserve(marker.faceCount);
    TriangleKey key;
    for (uint32_t g = 0; g < marker.faceCount; ++g) {
        if (MakeKey(marker, g, key))
            markerTriangles.insert(key);
    }
    for (uint32_t f = 0; f < level.faceCount; ++f) {
        if (!MakeKey(level, f, key) || markerTriangles.count(key) == 0)
            continue;
        // A vertex shared with other triangles keeps the white for them too.
        for (uint32_t corner = 0; corner < 3; ++corner) {
            auto* vertex = reinterpret_cast<LevelVertex*>(
                level.vertices + static_cast<size_t>(level.indices[3 * f + corner]) * level.stride);
            vertex->diffuse = 0xFFFFFFFF;
        }
    }
}

void ShadeByNormals(LockedMesh& level) {
    Vec3 lightDir(0.4f, 0.4f, -0.3f);
    D3DXVec3Normalize(&lightDir, &lightDir);
    for (uint32_t k = 0; k < level.vertexCount; ++k) {
        auto* vertex =
            reinterpret_cast<LevelVertex*>(level.vertices + static_cast<size_t>(k) * level.stride);
        const float d = D3DXVec3Dot(&vertex->normal, &lightDir);
        // Limiting before truncating gives the same grey and keeps the conversion defined.
        float shade = d * 128.0f + 128.0f;
        if (!(shade >= 0.0f))
            shade = 0.0f;
        if (shade > 255.0f)
            shade = 255.0f;
        const uint32_t g = static_cast<uint32_t>(shade);
        vertex->diffuse = 0xFF000000u | (g << 16) | (g << 8) | g;
    }
}

} // namespace

HRESULT PrepareLevelShading() {
    ID3DXMesh* levelMesh = levelModels[LEVEL_MODEL].mesh;
    LockedMesh level = LockMesh(levelMesh);
    LockedMesh marker = LockMesh(levelModels[SHADOW_MARKER_MODEL].mesh);
    // Only a level with a colour in every vertex can take the shading.
    if (levelMesh == nullptr || levelMesh->GetFVF() != LEVEL_VERTEX_FVF)
        level.vertexCount = level.faceCount = 0;
    if (engine.trueShadows != 0)
        MarkTrueShadows(level, marker);
    else
        ShadeByNormals(level);
    UnlockMesh(level);
    UnlockMesh(marker);
    return S_OK;
}
