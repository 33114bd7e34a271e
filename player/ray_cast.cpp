// The shared ray cast of clicks and coronas. Starting far behind the eye keeps the ray test's
// origin out of the walls the eye stands next to; callers ignore hits behind the eye.
#include "player/ray_cast.h"

#include "win32/windows.h"

#include <algorithm>
#include <cstring>

std::vector<LevelRayHit> CastRayFromBehind(ID3DXMesh* mesh, Vec3 eye, Vec3 d) {
    std::vector<LevelRayHit> hits;
    if (mesh == nullptr) {
        return hits;
    }
    const Vec3 origin = eye - d * RAY_BACK_OFFSET;
    ID3DXBuffer* hitBuffer = nullptr;
    DWORD hitCount = 0;
    const HRESULT result = D3DXIntersect(mesh, &origin, &d, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, &hitBuffer, &hitCount);
    if (result != 0) {
        MessageBoxA(nullptr, "Err: D3DXIntersect", "", MB_OK);
        // Whatever a failed cast reported is not trusted: it counts as a ray without hits.
        hitCount = 0;
    }
    if (hitBuffer != nullptr) {
        // Never read past the records the buffer really holds.
        const DWORD stored = hitBuffer->GetBufferSize() / sizeof(D3DXINTERSECTINFO);
        const BYTE* records = static_cast<const BYTE*>(hitBuffer->GetBufferPointer());
        const DWORD count = records != nullptr ? std::min(hitCount, stored) : 0;
        hits.reserve(count);
        for (DWORD i = 0; i < count; ++i) {
            D3DXINTERSECTINFO info;
            std::memcpy(&info, records + i * sizeof info, sizeof info);
            hits.push_back(LevelRayHit{info.FaceIndex, info.Dist});
        }
        hitBuffer->Release();
        hitBuffer = nullptr;
    }
    return hits;
}
