// D3DXIntersect: a ray against every face of a mesh. A face counts when the ray crosses it
// from either side at a distance of 0 or more (in units of the direction vector); a ray in
// the face's plane crosses nothing. Positions are read from the vertex buffer on every call,
// since the engine rewrites vertices through Lock between casts; meshes of this layer keep a
// face hierarchy that follows those rewrites, other meshes are tested face by face.
#include "d3dx/d3dx8.h"

#include "d3dx/d3dx_intersect_cache.h"
#include "d3dx/d3dx_local.h"

#include <cstring>
#include <vector>

namespace {

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
    RayVec3 Position(DWORD vertex) const {
        RayVec3 p;
        std::memcpy(&p, vb + static_cast<size_t>(vertex) * step, 12);
        return p;
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
    const RayVec3 origin{pRayPos->x, pRayPos->y, pRayPos->z};
    const RayVec3 dir{pRayDir->x, pRayDir->y, pRayDir->z};
    const float dirLengthSq = RayDot(dir, dir);
    const bool wide = (pMesh->GetOptions() & D3DXMESH_32BIT) != 0;

    std::vector<RayHit> hits;
    bool mayHaveChanged = true;
    if (D3DXIntersectCache* cache = D3DXFindIntersectCache(pMesh, mayHaveChanged)) {
        if (mayHaveChanged)
            cache->Sync(vertices, stride, vertexCount, indices, wide, faces);
        cache->Cast(origin, dir, hits);
    } else {
        const FaceReader reader(vertices, stride, indices, wide);
        for (DWORD f = 0; f < faces && dirLengthSq > 0.0f; ++f) {
            const DWORD i0 = reader.Index(3 * f), i1 = reader.Index(3 * f + 1),
                        i2 = reader.Index(3 * f + 2);
            if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
                continue;
            float u, v, dist;
            if (RayHitsTriangle(origin, dir, dirLengthSq, reader.Position(i0), reader.Position(i1),
                                reader.Position(i2), u, v, dist))
                hits.push_back({f, u, v, dist});
        }
    }
    pMesh->UnlockIndexBuffer();
    pMesh->UnlockVertexBuffer();

    const RayHit* nearest = nullptr;
    for (const RayHit& hit : hits)
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
