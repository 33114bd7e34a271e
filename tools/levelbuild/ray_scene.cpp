// The light bake's ray casts: a binary hierarchy of boxes split at the median centre along
// the longest axis, leaves of a few triangles, and the two-edge triangle test.
#include "ray_scene.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace levelbuild {

namespace {

constexpr uint32_t LEAF_SIZE = 4;
// Hits closer than this are the surface the ray starts from.
constexpr float MIN_DISTANCE = 1e-4f;

Vec3 Min(Vec3 a, Vec3 b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}
Vec3 Max(Vec3 a, Vec3 b) {
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}
float Axis(Vec3 v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Entry distance of a ray into a box, or a negative value when it misses within maxDistance.
float EnterBox(Vec3 lo, Vec3 hi, Vec3 origin, Vec3 inverse, float maxDistance) {
    float t0 = 0, t1 = maxDistance;
    for (int a = 0; a < 3; ++a) {
        float o = Axis(origin, a), inv = Axis(inverse, a);
        float n = (Axis(lo, a) - o) * inv, f = (Axis(hi, a) - o) * inv;
        if (n > f) {
            std::swap(n, f);
        }
        // A NaN from 0 * inf (ray in the slab's plane) must not close the interval.
        if (n > t0) {
            t0 = n;
        }
        if (f < t1) {
            t1 = f;
        }
        if (t0 > t1) {
            return -1;
        }
    }
    return t0;
}

} // namespace

void RayScene::AddMesh(const Mesh& mesh, const std::vector<const Image*>& cutouts) {
    for (const Triangle& t : mesh.triangles) {
        const Vertex& a = mesh.vertices[t.a];
        const Vertex& b = mesh.vertices[t.b];
        const Vertex& c = mesh.vertices[t.c];
        Tri tri;
        tri.p0 = a.position;
        tri.e1 = b.position - a.position;
        tri.e2 = c.position - a.position;
        tri.u0 = a.u, tri.v0 = a.v;
        tri.du1 = b.u - a.u, tri.dv1 = b.v - a.v;
        tri.du2 = c.u - a.u, tri.dv2 = c.v - a.v;
        size_t m = static_cast<size_t>(t.material);
        tri.cutout = m < cutouts.size() ? cutouts[m] : nullptr;
        if (Length(Cross(tri.e1, tri.e2)) > 0) {
            triangles_.push_back(tri);
        }
    }
}

void RayScene::Build() {
    nodes_.clear();
    if (triangles_.empty()) {
        return;
    }
    std::vector<Vec3> centres;
    centres.reserve(triangles_.size());
    for (const Tri& t : triangles_) {
        centres.push_back(t.p0 + (t.e1 + t.e2) * (1.0f / 3.0f));
    }
    nodes_.reserve(2 * triangles_.size() / LEAF_SIZE + 1);
    BuildNode(0, static_cast<uint32_t>(triangles_.size()), centres);
}

uint32_t RayScene::BuildNode(uint32_t first, uint32_t count, std::vector<Vec3>& centres) {
    uint32_t index = static_cast<uint32_t>(nodes_.size());
    nodes_.push_back({});
    Vec3 lo = triangles_[first].p0, hi = lo, clo = centres[first], chi = clo;
    for (uint32_t i = first; i < first + count; ++i) {
        const Tri& t = triangles_[i];
        for (Vec3 p : {t.p0, t.p0 + t.e1, t.p0 + t.e2}) {
            lo = Min(lo, p), hi = Max(hi, p);
        }
        clo = Min(clo, centres[i]), chi = Max(chi, centres[i]);
    }
    nodes_[index].lo = lo;
    nodes_[index].hi = hi;
    if (count <= LEAF_SIZE) {
        nodes_[index].first = first;
        nodes_[index].count = count;
        return index;
    }
    Vec3 extent = chi - clo;
    int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
    // Sort the range by centre along the axis, ties by position in the input, so that the tree
    // does not depend on the sort's own order of equal keys.
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), first);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        float ka = Axis(centres[a], axis), kb = Axis(centres[b], axis);
        return ka < kb || (ka == kb && a < b);
    });
    std::vector<Tri> tris;
    std::vector<Vec3> cents;
    tris.reserve(count), cents.reserve(count);
    for (uint32_t i : order) {
        tris.push_back(triangles_[i]);
        cents.push_back(centres[i]);
    }
    std::copy(tris.begin(), tris.end(), triangles_.begin() + first);
    std::copy(cents.begin(), cents.end(), centres.begin() + first);
    uint32_t half = count / 2;
    BuildNode(first, half, centres);
    uint32_t right = BuildNode(first + half, count - half, centres);
    nodes_[index].first = right;
    nodes_[index].count = 0;
    return index;
}

bool RayScene::HitOpaque(const Tri& t, Vec3 origin, Vec3 direction, float maxDistance,
                         float& distance) const {
    Vec3 p = Cross(direction, t.e2);
    float det = Dot(t.e1, p);
    if (std::fabs(det) < 1e-12f) {
        return false;
    }
    float inv = 1.0f / det;
    Vec3 s = origin - t.p0;
    float b1 = Dot(s, p) * inv;
    if (b1 < 0 || b1 > 1) {
        return false;
    }
    Vec3 q = Cross(s, t.e1);
    float b2 = Dot(direction, q) * inv;
    if (b2 < 0 || b1 + b2 > 1) {
        return false;
    }
    float d = Dot(t.e2, q) * inv;
    if (d <= MIN_DISTANCE || d >= maxDistance) {
        return false;
    }
    if (t.cutout != nullptr && t.cutout->width > 0) {
        float u = t.u0 + t.du1 * b1 + t.du2 * b2, v = t.v0 + t.dv1 * b1 + t.dv2 * b2;
        const Image& img = *t.cutout;
        int x = static_cast<int>(std::floor((u - std::floor(u)) * img.width)) % img.width;
        int y = static_cast<int>(std::floor((v - std::floor(v)) * img.height)) % img.height;
        if (img.At(x, y)[3] < 128) {
            return false;
        }
    }
    distance = d;
    return true;
}

float RayScene::Trace(Vec3 origin, Vec3 direction, float maxDistance, bool anyHit) const {
    if (nodes_.empty()) {
        return -1;
    }
    auto inverse = [](float d) { return d != 0 ? 1.0f / d : std::copysign(1e30f, d); };
    Vec3 inv{inverse(direction.x), inverse(direction.y), inverse(direction.z)};
    float best = maxDistance;
    bool hit = false;
    uint32_t stack[64];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = nodes_[stack[--top]];
        if (EnterBox(node.lo, node.hi, origin, inv, best) < 0) {
            continue;
        }
        if (node.count > 0) {
            for (uint32_t i = node.first; i < node.first + node.count; ++i) {
                float d;
                if (HitOpaque(triangles_[i], origin, direction, best, d)) {
                    best = d;
                    hit = true;
                    if (anyHit) {
                        return best;
                    }
                }
            }
            continue;
        }
        uint32_t left = static_cast<uint32_t>(&node - nodes_.data()) + 1, right = node.first;
        // Visit the nearer child first so that closer hits cut the farther search short.
        const Node& l = nodes_[left];
        float dl = Dot(l.lo + l.hi - origin * 2.0f, direction);
        const Node& r = nodes_[right];
        float dr = Dot(r.lo + r.hi - origin * 2.0f, direction);
        if (dl < dr) {
            stack[top++] = right;
            stack[top++] = left;
        } else {
            stack[top++] = left;
            stack[top++] = right;
        }
    }
    return hit ? best : -1;
}

float RayScene::Nearest(Vec3 origin, Vec3 direction, float maxDistance) const {
    return Trace(origin, direction, maxDistance, false);
}

bool RayScene::Blocked(Vec3 origin, Vec3 direction, float maxDistance) const {
    return Trace(origin, direction, maxDistance, true) >= 0;
}

} // namespace levelbuild
