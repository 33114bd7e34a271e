// D3DXIntersect: a ray against every face of a mesh. A face counts when the ray crosses it
// from either side at a distance of 0 or more (in units of the direction vector); a ray in
// the face's plane crosses nothing. Positions are read from the vertex buffer on every call,
// since the engine rewrites vertices through Lock between casts.
#include "d3dx/d3dx8.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Hit {
    DWORD face;
    float u, v, dist;
};

struct Vec3d {
    double x, y, z;
};

Vec3d Sub(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3d Cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double Length(const Vec3d& a) {
    return std::sqrt(Dot(a, a));
}

// Relative size below which the ray counts as lying in the face's plane.
constexpr double PARALLEL = 1e-10;

class FaceReader {
  public:
    FaceReader(const BYTE* vertices, UINT stride, const BYTE* indices, bool wide)
        : vb(vertices), step(stride), ib(indices), wideIndices(wide) {}

    DWORD Index(DWORD i) const {
        if (wideIndices) {
            uint32_t v;
            std::memcpy(&v, ib + 4 * static_cast<size_t>(i), 4);
            return v;
        }
        uint16_t v;
        std::memcpy(&v, ib + 2 * static_cast<size_t>(i), 2);
        return v;
    }
    Vec3d Position(DWORD vertex) const {
        float p[3];
        std::memcpy(p, vb + static_cast<size_t>(vertex) * step, 12);
        return {p[0], p[1], p[2]};
    }

  private:
    const BYTE* vb;
    UINT step;
    const BYTE* ib;
    bool wideIndices;
};

// The ray test proper; D3DXIntersect keeps allocation failures inside.
HRESULT Intersect(LPD3DXBASEMESH pMesh, const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir,
                  BOOL* pHit, DWORD* pFaceIndex, FLOAT* pU, FLOAT* pV, FLOAT* pDist,
                  LPD3DXBUFFER* ppAllHits, DWORD* pCountOfHits) {
    if (ppAllHits != nullptr)
        *ppAllHits = nullptr;
    if (pMesh == nullptr || pRayPos == nullptr || pRayDir == nullptr)
        return D3DERR_INVALIDCALL;
    const DWORD fvf = pMesh->GetFVF();
    if ((fvf & D3DFVF_POSITION_MASK) == 0)
        return D3DERR_INVALIDCALL;
    const UINT stride = D3DXGetFVFVertexSize(fvf);
    const DWORD faces = pMesh->GetNumFaces();
    const DWORD vertexCount = pMesh->GetNumVertices();
    BYTE* vertices = nullptr;
    BYTE* indices = nullptr;
    if (FAILED(pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)))
        return D3DERR_INVALIDCALL;
    if (FAILED(pMesh->LockIndexBuffer(D3DLOCK_READONLY, &indices))) {
        pMesh->UnlockVertexBuffer();
        return D3DERR_INVALIDCALL;
    }
    const FaceReader reader(vertices, stride, indices, (pMesh->GetOptions() & D3DXMESH_32BIT) != 0);
    const Vec3d origin{pRayPos->x, pRayPos->y, pRayPos->z};
    const Vec3d dir{pRayDir->x, pRayDir->y, pRayDir->z};
    const double dirLength = Length(dir);

    std::vector<Hit> hits;
    for (DWORD f = 0; f < faces && dirLength > 0; ++f) {
        const DWORD i0 = reader.Index(3 * f), i1 = reader.Index(3 * f + 1),
                    i2 = reader.Index(3 * f + 2);
        if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        const Vec3d v0 = reader.Position(i0);
        const Vec3d e1 = Sub(reader.Position(i1), v0);
        const Vec3d e2 = Sub(reader.Position(i2), v0);
        const Vec3d p = Cross(dir, e2);
        const double det = Dot(e1, p);
        if (std::fabs(det) <= PARALLEL * Length(e1) * Length(e2) * dirLength)
            continue;
        const double inverse = 1.0 / det;
        const Vec3d t = Sub(origin, v0);
        const double u = Dot(t, p) * inverse;
        if (u < 0.0 || u > 1.0)
            continue;
        const Vec3d q = Cross(t, e1);
        const double v = Dot(dir, q) * inverse;
        if (v < 0.0 || u + v > 1.0)
            continue;
        const double dist = Dot(e2, q) * inverse;
        if (dist < 0.0)
            continue;
        hits.push_back({f, static_cast<float>(u), static_cast<float>(v), static_cast<float>(dist)});
    }
    pMesh->UnlockIndexBuffer();
    pMesh->UnlockVertexBuffer();

    const Hit* nearest = nullptr;
    for (const Hit& hit : hits)
        if (nearest == nullptr || hit.dist < nearest->dist)
            nearest = &hit;
    if (pHit != nullptr)
        *pHit = nearest != nullptr;
    if (nearest != nullptr) {
        if (pFaceIndex != nullptr)
            *pFaceIndex = nearest->face;
        if (pU != nullptr)
            *pU = nearest->u;
        if (pV != nullptr)
            *pV = nearest->v;
        if (pDist != nullptr)
            *pDist = nearest->dist;
    }
    if (pCountOfHits != nullptr)
        *pCountOfHits = static_cast<DWORD>(hits.size());
    if (ppAllHits != nullptr) {
        // An empty buffer rather than none when nothing is hit, so a caller that releases the
        // buffer unconditionally stays safe.
        const HRESULT hr = D3DXCreateBuffer(
            static_cast<DWORD>(hits.size() * sizeof(D3DXINTERSECTINFO)), ppAllHits);
        if (FAILED(hr))
            return hr;
        auto* records = static_cast<D3DXINTERSECTINFO*>((*ppAllHits)->GetBufferPointer());
        for (size_t i = 0; i < hits.size(); ++i)
            records[i] = {hits[i].face, hits[i].u, hits[i].v, hits[i].dist};
    }
    return D3D_OK;
}

} // namespace

HRESULT D3DXIntersect(LPD3DXBASEMESH pMesh, const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir,
                      BOOL* pHit, DWORD* pFaceIndex, FLOAT* pU, FLOAT* pV, FLOAT* pDist,
                      LPD3DXBUFFER* ppAllHits, DWORD* pCountOfHits) {
    try {
        return Intersect(pMesh, pRayPos, pRayDir, pHit, pFaceIndex, pU, pV, pDist, ppAllHits,
                         pCountOfHits);
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}
