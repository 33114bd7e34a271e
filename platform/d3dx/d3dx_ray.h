// The ray-triangle test shared by the ray cast and its face hierarchy.
#pragma once

#include <cstdint>

struct RayVec3 {
    float x, y, z;
};

inline RayVec3 RaySub(const RayVec3& a, const RayVec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline RayVec3 RayCross(const RayVec3& a, const RayVec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float RayDot(const RayVec3& a, const RayVec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

struct RayHit {
    uint32_t face;
    float u, v, dist;
};

// Relative size of the determinant below which the ray counts as lying in the face's plane:
// a ray within about a millionth of a radian of the plane is edge-on.
constexpr float RAY_PARALLEL = 1e-6f;

// Whether the ray origin + dist * dir crosses the triangle from either side at dist >= 0,
// with the hit at v0 + u (v1 - v0) + v (v2 - v0). Moller-Trumbore with the divisions left to
// the end: u, v and the distance are compared as numerators against the determinant, whose
// sign says which side the ray comes from. dirLengthSq is dot(dir, dir).
inline bool RayHitsTriangle(const RayVec3& origin, const RayVec3& dir, float dirLengthSq,
                            const RayVec3& v0, const RayVec3& v1, const RayVec3& v2, float& u,
                            float& v, float& dist) {
    const RayVec3 e1 = RaySub(v1, v0);
    const RayVec3 e2 = RaySub(v2, v0);
    const RayVec3 p = RayCross(dir, e2);
    float det = RayDot(e1, p);
    const float sign = det < 0.0f ? -1.0f : 1.0f;
    det *= sign;
    const RayVec3 t = RaySub(origin, v0);
    const float uNum = RayDot(t, p) * sign;
    if (!(uNum >= 0.0f && uNum <= det))
        return false;
    const RayVec3 q = RayCross(t, e1);
    const float vNum = RayDot(dir, q) * sign;
    if (!(vNum >= 0.0f && uNum + vNum <= det))
        return false;
    const float distNum = RayDot(e2, q) * sign;
    if (!(distNum >= 0.0f))
        return false;
    if (det * det <= RAY_PARALLEL * RAY_PARALLEL * RayDot(e1, e1) * RayDot(e2, e2) * dirLengthSq)
        return false;
    const float inverse = 1.0f / det;
    u = uNum * inverse;
    v = vNum * inverse;
    dist = distNum * inverse;
    return true;
}
