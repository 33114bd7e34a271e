// Sphere collision against the collision hull. The hull's buffers are read afresh on every
// call because the animated doors and panels rewrite their boxes in them each frame. Faces are
// solid from their front only; a face first pushes the centre out along its normal (or catches
// a centre that crossed its plane during the move), then the edges and corners of the faces the
// sphere touched push it away from the triangle's border. All arithmetic is single precision,
// in the order the walking code was tuned against.
#include "player/collision.h"

#include "world/mesh_model.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct Triangle {
    Vec3 a;
    Vec3 b;
    Vec3 c;
};

// The hull's locked memory: positions are the first 12 bytes of each 24-byte vertex.
template <typename Index> struct HullView {
    const BYTE* vertices;
    DWORD vertexCount;
    const Index* indices;
    DWORD faceCount;

    // False when the face names a vertex outside the buffer; such a face is never solid.
    bool Corners(DWORD face, DWORD (&corner)[3]) const {
        corner[0] = indices[3 * face];
        corner[1] = indices[3 * face + 1];
        corner[2] = indices[3 * face + 2];
        return corner[0] < vertexCount && corner[1] < vertexCount && corner[2] < vertexCount;
    }

    float Coordinate(DWORD vertex, int axis) const {
        float value;
        std::memcpy(&value, vertices + vertex * sizeof(HullVertex) + axis * sizeof(float),
                    sizeof value);
        return value;
    }

    // The face's bounding box widened by r must contain p: the cheap test that rejects nearly
    // every face of the hull before any normal is computed. Taken one axis at a time, so most
    // faces are rejected after reading one coordinate of each corner; the minimum and maximum
    // keep the second operand on ties and unordered compares, as D3DXVec3Minimize and
    // D3DXVec3Maximize do.
    bool NearBox(const DWORD (&corner)[3], const Vec3& p, float r) const {
        const float centre[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
            const float a = Coordinate(corner[0], axis);
            const float b = Coordinate(corner[1], axis);
            const float c = Coordinate(corner[2], axis);
            float lo = a < b ? a : b;
            lo = lo < c ? lo : c;
            float hi = a > b ? a : b;
            hi = hi > c ? hi : c;
            if (lo - r > centre[axis] || hi + r < centre[axis]) {
                return false;
            }
        }
        return true;
    }

    void Read(const DWORD (&corner)[3], Triangle& out) const {
        std::memcpy(&out.a, vertices + corner[0] * sizeof(HullVertex), sizeof(Vec3));
        std::memcpy(&out.b, vertices + corner[1] * sizeof(HullVertex), sizeof(Vec3));
        std::memcpy(&out.c, vertices + corner[2] * sizeof(HullVertex), sizeof(Vec3));
    }
};

// The faces whose plane the sphere's centre ended in front of, in face order. Kept between
// calls only to avoid an allocation per frame; it is cleared at the start of every call.
std::vector<DWORD> touchedFaces;

// Pass 1 for one face: pushes p out to r in front of the face when the contact point lies on
// the triangle. Returns true when the centre ended in front of the plane (the face is touched).
bool CollideFace(const Triangle& f, Vec3 from, float r, Vec3& p, Vec3& best) {
    const Vec3 e1 = f.b - f.a;
    const Vec3 e2 = f.c - f.a;
    Vec3 n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);

    const Vec3 toOffset = p - f.a;
    const Vec3 fromOffset = from - f.a;
    const float dTo = D3DXVec3Dot(&toOffset, &n);
    const float dFrom = D3DXVec3Dot(&fromOffset, &n);
    if (!(dTo < r && dFrom >= 0.0f)) {
        return false;
    }

    Vec3 c1;
    Vec3 c2;
    D3DXVec3Cross(&c1, &e1, &n);
    D3DXVec3Cross(&c2, &n, &e2);
    const float k1 = D3DXVec3Dot(&c1, &e2);
    const float k2 = D3DXVec3Dot(&c2, &e1);

    bool touched = false;
    Vec3 q;
    if (dTo >= 0.0f) {
        touched = true;
        q = p - f.a;
    } else {
        // The centre went through the plane during this move: test where the path crossed it.
        const Vec3 crossing = p + (dTo / (dFrom - dTo)) * (p - from);
        q = crossing - f.a;
    }

    const float s = D3DXVec3Dot(&q, &c1) / k1;
    const float t = D3DXVec3Dot(&q, &c2) / k2;
    if (s >= 0.0f && t >= 0.0f && s + t <= 1.0f) {
        p += n * (r - dTo);
        if (n.y > best.y) {
            best = n;
        }
    }
    return touched;
}

// Pushes p away from the edge from corner s along e; wS is the centre's offset from s taken
// when the face's turn began. An edge that pushes more upward than the best face so far
// reports full ground (y 1.0), so standing on a floor's border still counts as standing.
void CollideEdge(Vec3 wS, Vec3 e, float r, Vec3& p, Vec3& best) {
    Vec3 across;
    D3DXVec3Cross(&across, &wS, &e);
    const float edgeLength = D3DXVec3Length(&e);
    const float dist = D3DXVec3Length(&across) / edgeLength;
    if (!(dist < r)) {
        return;
    }
    Vec3 u;
    D3DXVec3Cross(&u, &e, &across);
    D3DXVec3Normalize(&u, &u);
    Vec3 along;
    D3DXVec3Normalize(&along, &e);
    const float proj = D3DXVec3Dot(&along, &wS) / edgeLength;
    if (proj >= 0.0f && proj <= 1.0f) {
        p += u * (r - dist);
        if (u.y > best.y) {
            best.y = 1.0f;
        }
    }
}

// Pushes p straight away from a corner closer than r. Corners never count as ground.
void CollideCorner(Vec3 corner, float r, Vec3& p) {
    Vec3 d = p - corner;
    const float length = D3DXVec3Length(&d);
    if (length < r) {
        D3DXVec3Normalize(&d, &d);
        p += d * (r - length);
    }
}

// Pass 2 for one touched face: its three edges with the offset taken once, then its corners.
void CollideBorder(const Triangle& f, float r, Vec3& p, Vec3& best) {
    const Vec3 e1 = f.b - f.a;
    const Vec3 e2 = f.c - f.a;
    const Vec3 e3 = e2 - e1;
    const Vec3 w = p - f.a;
    CollideEdge(w, e1, r, p, best);
    CollideEdge(w, e2, r, p, best);
    CollideEdge(w - e1, e3, r, p, best);
    CollideCorner(f.a, r, p);
    CollideCorner(f.b, r, p);
    CollideCorner(f.c, r, p);
}

template <typename Index>
Vec3 CollideHull(const HullView<Index>& hull, Vec3 from, Vec3 to, float r, Vec3& best) {
    Vec3 p = to;
    touchedFaces.clear();
    Triangle f;
    DWORD corner[3];
    for (DWORD face = 0; face < hull.faceCount; ++face) {
        // Skipping a face on the box before its plane tests gives the same result as after
        // them: every test only decides whether the face is skipped.
        if (!hull.Corners(face, corner) || !hull.NearBox(corner, p, r)) {
            continue;
        }
        hull.Read(corner, f);
        if (CollideFace(f, from, r, p, best)) {
            touchedFaces.push_back(face);
        }
    }
    for (const DWORD face : touchedFaces) {
        hull.Corners(face, corner);
        hull.Read(corner, f);
        CollideBorder(f, r, p, best);
    }
    return p;
}

// A mesh that claims more vertices or faces than its buffers hold is read only as far as the
// buffers go.
template <typename Index>
HullView<Index> ViewHull(ID3DXMesh* mesh, IDirect3DVertexBuffer8* vertexBuffer,
                         IDirect3DIndexBuffer8* indexBuffer, const BYTE* vertexData,
                         const BYTE* indexData) {
    DWORD vertexCount = mesh->GetNumVertices();
    DWORD faceCount = mesh->GetNumFaces();
    D3DVERTEXBUFFER_DESC vertexDesc;
    if (SUCCEEDED(vertexBuffer->GetDesc(&vertexDesc))) {
        vertexCount = std::min<DWORD>(vertexCount, vertexDesc.Size / sizeof(HullVertex));
    }
    D3DINDEXBUFFER_DESC indexDesc;
    if (SUCCEEDED(indexBuffer->GetDesc(&indexDesc))) {
        faceCount = std::min<DWORD>(faceCount, indexDesc.Size / (3 * sizeof(Index)));
    }
    return HullView<Index>{vertexData, vertexCount, reinterpret_cast<const Index*>(indexData),
                           faceCount};
}

} // namespace

Vec3 CollideSphere(PlayerState& state, Vec3 from, Vec3 to, float radius, Vec3& normalOut) {
    Vec3 best(0.0f, 0.0f, 0.0f);
    Vec3 result = to;
    ID3DXMesh* mesh = state.collisionModel != nullptr ? state.collisionModel->mesh : nullptr;
    if (mesh == nullptr) {
        // Without a hull nothing is solid: the sphere goes where it was sent.
        normalOut = best;
        return result;
    }

    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    mesh->GetVertexBuffer(&vertexBuffer);
    mesh->GetIndexBuffer(&indexBuffer);
    BYTE* indexData = nullptr;
    BYTE* vertexData = nullptr;
    if (indexBuffer != nullptr && vertexBuffer != nullptr &&
        SUCCEEDED(indexBuffer->Lock(0, 0, &indexData, 0))) {
        if (SUCCEEDED(vertexBuffer->Lock(0, 0, &vertexData, 0))) {
            if (vertexData == nullptr || indexData == nullptr) {
                // Nothing to read: the sphere goes where it was sent.
            } else if ((mesh->GetOptions() & D3DXMESH_32BIT) != 0) {
                result = CollideHull(
                    ViewHull<uint32_t>(mesh, vertexBuffer, indexBuffer, vertexData, indexData),
                    from, to, radius, best);
            } else {
                result = CollideHull(
                    ViewHull<uint16_t>(mesh, vertexBuffer, indexBuffer, vertexData, indexData),
                    from, to, radius, best);
            }
            vertexBuffer->Unlock();
        }
        indexBuffer->Unlock();
    }
    if (vertexBuffer != nullptr) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
    }
    if (indexBuffer != nullptr) {
        indexBuffer->Release();
        indexBuffer = nullptr;
    }
    normalOut = best;
    return result;
}
