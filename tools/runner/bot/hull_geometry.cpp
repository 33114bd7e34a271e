// Reading the hull mesh and the proximity queries of the walk graph. The hull is a few
// thousand faces; a coarse grid over the ground plan keeps each query to the faces nearby.
#include "tools/runner/bot/hull_geometry.h"

#include "world/animated_objects.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float BUCKET_SIZE = 1.0f;
// Faces are filed in every bucket within this distance, enough for any sphere the bot asks
// about (the player's radius and a margin).
constexpr float BUCKET_REACH = 0.75f;

float Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return Vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

Vec3 Normalised(const Vec3& v) {
    const float length = std::sqrt(Dot(v, v));
    return length > 0.0f ? v * (1.0f / length) : Vec3(0.0f, 0.0f, 0.0f);
}

// The positions of the hull's vertices and its indices, read through the mesh's own buffers.
bool ReadMesh(ID3DXMesh* mesh, std::vector<Vec3>& positions, std::vector<DWORD>& indices) {
    if (mesh == nullptr) {
        return false;
    }
    const DWORD vertexCount = mesh->GetNumVertices();
    const DWORD faceCount = mesh->GetNumFaces();
    const bool wideIndices = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    BYTE* vertexData = nullptr;
    BYTE* indexData = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertexData))) {
        return false;
    }
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData))) {
        mesh->UnlockVertexBuffer();
        return false;
    }
    const DWORD stride = D3DXGetFVFVertexSize(mesh->GetFVF());
    positions.resize(vertexCount);
    for (DWORD i = 0; i < vertexCount; ++i) {
        const float* p = reinterpret_cast<const float*>(vertexData + i * stride);
        positions[i] = Vec3(p[0], p[1], p[2]);
    }
    indices.resize(faceCount * 3);
    for (DWORD i = 0; i < faceCount * 3; ++i) {
        indices[i] = wideIndices ? reinterpret_cast<const DWORD*>(indexData)[i]
                                 : reinterpret_cast<const WORD*>(indexData)[i];
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    return true;
}

void SetCorners(HullTriangle& t, const Vec3& a, const Vec3& b, const Vec3& c) {
    t.a = a;
    t.b = b;
    t.c = c;
    t.normal = Normalised(Cross(b - a, c - a));
}

} // namespace

Vec3 ClosestPointOnTriangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    // The closest point by the Voronoi regions of the corners, edges and face.
    const Vec3 ab = b - a;
    const Vec3 ac = c - a;
    const Vec3 ap = p - a;
    const float d1 = Dot(ab, ap);
    const float d2 = Dot(ac, ap);
    Vec3 closest;
    if (d1 <= 0.0f && d2 <= 0.0f) {
        closest = a;
    } else {
        const Vec3 bp = p - b;
        const float d3 = Dot(ab, bp);
        const float d4 = Dot(ac, bp);
        const Vec3 cp = p - c;
        const float d5 = Dot(ab, cp);
        const float d6 = Dot(ac, cp);
        const float vc = d1 * d4 - d3 * d2;
        const float vb = d5 * d2 - d1 * d6;
        const float va = d3 * d6 - d5 * d4;
        if (d3 >= 0.0f && d4 <= d3) {
            closest = b;
        } else if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f) {
            closest = a + ab * (d1 / (d1 - d3));
        } else if (d6 >= 0.0f && d5 <= d6) {
            closest = c;
        } else if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f) {
            closest = a + ac * (d2 / (d2 - d6));
        } else if (va <= 0.0f && (d4 - d3) >= 0.0f && (d5 - d6) >= 0.0f) {
            closest = b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
        } else {
            const float denominator = 1.0f / (va + vb + vc);
            closest = a + ab * (vb * denominator) + ac * (vc * denominator);
        }
    }
    return closest;
}

float PointTriangleDistanceSquared(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    const Vec3 d = p - ClosestPointOnTriangle(p, a, b, c);
    return Dot(d, d);
}

bool HullGeometry::Load(ID3DXMesh* hull, int objectCount, std::string& error) {
    std::vector<Vec3> positions;
    std::vector<DWORD> faceIndices;
    if (!ReadMesh(hull, positions, faceIndices)) {
        error = "the collision hull cannot be read";
        return false;
    }
    return Build(positions, faceIndices, objectCount, error);
}

bool HullGeometry::Build(const std::vector<Vec3>& positions, const std::vector<DWORD>& faceIndices,
                         int objectCount, std::string& error) {
    indices = faceIndices;
    for (DWORD index : indices) {
        if (index >= positions.size()) {
            error = "the collision hull has an index past its vertices";
            return false;
        }
    }
    const DWORD firstBoxVertex = FIRST_OBJECT_HULL_VERTEX;
    const DWORD lastBoxVertex = firstBoxVertex + 8 * static_cast<DWORD>(objectCount);
    if (objectCount > 0 && positions.size() < lastBoxVertex) {
        error = "the collision hull has no room for the object boxes";
        return false;
    }
    initialObjectCorners.assign(positions.begin() + (objectCount > 0 ? firstBoxVertex : 0),
                                positions.begin() + (objectCount > 0 ? lastBoxVertex : 0));
    triangles.clear();
    objectTriangles.assign(static_cast<size_t>(objectCount), {});
    minX = minZ = 1e30f;
    maxX = maxZ = -1e30f;
    for (size_t f = 0; f + 2 < indices.size(); f += 3) {
        HullTriangle t;
        SetCorners(t, positions[indices[f]], positions[indices[f + 1]], positions[indices[f + 2]]);
        if (indices[f] >= firstBoxVertex && indices[f] < lastBoxVertex) {
            t.object = static_cast<int>((indices[f] - firstBoxVertex) / 8);
            objectTriangles[static_cast<size_t>(t.object)].push_back(
                static_cast<int>(triangles.size()));
        }
        for (const Vec3* v : {&t.a, &t.b, &t.c}) {
            minX = std::min(minX, v->x);
            maxX = std::max(maxX, v->x);
            minZ = std::min(minZ, v->z);
            maxZ = std::max(maxZ, v->z);
        }
        triangles.push_back(t);
    }
    UpdateObjectBounds();
    if (triangles.empty()) {
        error = "the collision hull has no faces";
        return false;
    }
    columns = static_cast<int>((maxX - minX) / BUCKET_SIZE) + 1;
    rows = static_cast<int>((maxZ - minZ) / BUCKET_SIZE) + 1;
    buckets.assign(static_cast<size_t>(columns * rows), {});
    for (size_t i = 0; i < triangles.size(); ++i) {
        const HullTriangle& t = triangles[i];
        if (t.object >= 0) {
            continue;
        }
        const float lx = std::min({t.a.x, t.b.x, t.c.x}) - BUCKET_REACH;
        const float hx = std::max({t.a.x, t.b.x, t.c.x}) + BUCKET_REACH;
        const float lz = std::min({t.a.z, t.b.z, t.c.z}) - BUCKET_REACH;
        const float hz = std::max({t.a.z, t.b.z, t.c.z}) + BUCKET_REACH;
        const int c0 = std::max(0, static_cast<int>((lx - minX) / BUCKET_SIZE));
        const int c1 = std::min(columns - 1, static_cast<int>((hx - minX) / BUCKET_SIZE));
        const int r0 = std::max(0, static_cast<int>((lz - minZ) / BUCKET_SIZE));
        const int r1 = std::min(rows - 1, static_cast<int>((hz - minZ) / BUCKET_SIZE));
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) {
                buckets[static_cast<size_t>(r * columns + c)].push_back(static_cast<int>(i));
            }
        }
    }
    return true;
}

void HullGeometry::RefreshObjects(ID3DXMesh* hull) {
    std::vector<Vec3> positions;
    std::vector<DWORD> ignored;
    if (!ReadMesh(hull, positions, ignored)) {
        return;
    }
    for (size_t f = 0; f + 2 < indices.size(); f += 3) {
        HullTriangle& t = triangles[f / 3];
        if (t.object >= 0) {
            SetCorners(t, positions[indices[f]], positions[indices[f + 1]],
                       positions[indices[f + 2]]);
        }
    }
    UpdateObjectBounds();
}

void HullGeometry::UpdateObjectBounds() {
    objectLow.assign(objectTriangles.size(), Vec3(1e30f, 1e30f, 1e30f));
    objectHigh.assign(objectTriangles.size(), Vec3(-1e30f, -1e30f, -1e30f));
    for (size_t object = 0; object < objectTriangles.size(); ++object) {
        Vec3& lo = objectLow[object];
        Vec3& hi = objectHigh[object];
        for (int i : objectTriangles[object]) {
            const HullTriangle& t = triangles[static_cast<size_t>(i)];
            for (const Vec3* v : {&t.a, &t.b, &t.c}) {
                lo = Vec3(std::min(lo.x, v->x), std::min(lo.y, v->y), std::min(lo.z, v->z));
                hi = Vec3(std::max(hi.x, v->x), std::max(hi.y, v->y), std::max(hi.z, v->z));
            }
        }
    }
}

const std::vector<int>& HullGeometry::Bucket(float x, float z) const {
    static const std::vector<int> none;
    const int c = static_cast<int>(std::floor((x - minX) / BUCKET_SIZE));
    const int r = static_cast<int>(std::floor((z - minZ) / BUCKET_SIZE));
    if (c < 0 || r < 0 || c >= columns || r >= rows) {
        return none;
    }
    return buckets[static_cast<size_t>(r * columns + c)];
}

void HullGeometry::FloorsAt(float x, float z, std::vector<FloorHit>& floors) const {
    floors.clear();
    for (int i : Bucket(x, z)) {
        const HullTriangle& t = triangles[static_cast<size_t>(i)];
        if (t.normal.y <= GROUND_NORMAL_Y) {
            continue;
        }
        // Barycentric test in the ground plan, then the plane's height there.
        const float d = (t.b.z - t.c.z) * (t.a.x - t.c.x) + (t.c.x - t.b.x) * (t.a.z - t.c.z);
        if (std::fabs(d) < 1e-12f) {
            continue;
        }
        const float u = ((t.b.z - t.c.z) * (x - t.c.x) + (t.c.x - t.b.x) * (z - t.c.z)) / d;
        const float v = ((t.c.z - t.a.z) * (x - t.c.x) + (t.a.x - t.c.x) * (z - t.c.z)) / d;
        const float w = 1.0f - u - v;
        if (u < 0.0f || v < 0.0f || w < 0.0f) {
            continue;
        }
        floors.push_back({u * t.a.y + v * t.b.y + w * t.c.y, t.normal});
    }
    std::sort(floors.begin(), floors.end(),
              [](const FloorHit& p, const FloorHit& q) { return p.y > q.y; });
    // Neighbouring faces of one floor report the same height on their shared edge.
    floors.erase(std::unique(floors.begin(), floors.end(),
                             [](const FloorHit& p, const FloorHit& q) {
                                 return std::fabs(p.y - q.y) < 0.01f;
                             }),
                 floors.end());
}

bool HullGeometry::SphereClearOfLevel(Vec3 centre, float r, float margin) const {
    const float limit = (r + margin) * (r + margin);
    for (int i : Bucket(centre.x, centre.z)) {
        const HullTriangle& t = triangles[static_cast<size_t>(i)];
        if (PointTriangleDistanceSquared(centre, t.a, t.b, t.c) < limit) {
            return false;
        }
    }
    return true;
}

int HullGeometry::ObjectTouchingSphere(Vec3 centre, float r) const {
    const float limit = r * r;
    for (size_t object = 0; object < objectTriangles.size(); ++object) {
        const Vec3& lo = objectLow[object];
        const Vec3& hi = objectHigh[object];
        if (centre.x < lo.x - r || centre.x > hi.x + r || centre.y < lo.y - r ||
            centre.y > hi.y + r || centre.z < lo.z - r || centre.z > hi.z + r) {
            continue;
        }
        for (int i : objectTriangles[object]) {
            const HullTriangle& t = triangles[static_cast<size_t>(i)];
            if (PointTriangleDistanceSquared(centre, t.a, t.b, t.c) < limit) {
                return static_cast<int>(object);
            }
        }
    }
    return -1;
}
