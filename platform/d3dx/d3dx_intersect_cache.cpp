// The face hierarchy behind D3DXIntersect: median splits along the widest axis, leaves of a
// few faces, boxes padded by a hair so rays along a box face are not lost to rounding.
#include "d3dx/d3dx_intersect_cache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t LEAF_FACES = 4;

} // namespace

bool D3DXIntersectCache::FaceValid(uint32_t face) const {
    const auto count = static_cast<uint32_t>(positions.size());
    return faceIndices[3 * face] < count && faceIndices[3 * face + 1] < count &&
           faceIndices[3 * face + 2] < count;
}

void D3DXIntersectCache::Sync(const uint8_t* vertices, uint32_t stride, uint32_t vertexCount,
                              const uint8_t* indices, bool wideIndices, uint32_t faceCount) {
    // Indices rarely change: one comparison of the raw bytes decides.
    const size_t indexBytes = 3 * static_cast<size_t>(faceCount) * (wideIndices ? 4 : 2);
    const bool indicesChanged = !built || positions.size() != vertexCount ||
                                rawIndices.size() != indexBytes ||
                                std::memcmp(rawIndices.data(), indices, indexBytes) != 0;
    if (indicesChanged) {
        rawIndices.assign(indices, indices + indexBytes);
        faceIndices.resize(3 * static_cast<size_t>(faceCount));
        for (size_t i = 0; i < faceIndices.size(); ++i) {
            if (wideIndices) {
                std::memcpy(&faceIndices[i], indices + 4 * i, 4);
            } else {
                uint16_t narrow;
                std::memcpy(&narrow, indices + 2 * i, 2);
                faceIndices[i] = narrow;
            }
        }
        positions.resize(vertexCount);
    }
    // Positions change whenever the engine moves an object; compare them as raw words.
    bool moved = false;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        uint32_t now[3], before[3];
        std::memcpy(now, vertices + static_cast<size_t>(v) * stride, 12);
        std::memcpy(before, &positions[v], 12);
        if ((now[0] ^ before[0]) | (now[1] ^ before[1]) | (now[2] ^ before[2])) {
            std::memcpy(&positions[v], now, 12);
            moved = true;
        }
    }
    if (indicesChanged)
        Build();
    else if (moved)
        Refit();
}

void D3DXIntersectCache::Build() {
    const auto faceCount = static_cast<uint32_t>(faceIndices.size() / 3);
    order.clear();
    std::vector<float> centres;
    for (uint32_t f = 0; f < faceCount; ++f) {
        if (!FaceValid(f))
            continue;
        order.push_back(f);
    }
    centres.resize(3 * static_cast<size_t>(faceCount));
    for (uint32_t f : order) {
        const RayVec3& a = positions[faceIndices[3 * f]];
        const RayVec3& b = positions[faceIndices[3 * f + 1]];
        const RayVec3& c = positions[faceIndices[3 * f + 2]];
        centres[3 * f] = a.x + b.x + c.x;
        centres[3 * f + 1] = a.y + b.y + c.y;
        centres[3 * f + 2] = a.z + b.z + c.z;
    }
    nodes.clear();
    nodes.reserve(2 * order.size() / LEAF_FACES + 2);
    if (!order.empty())
        BuildNode(0, static_cast<uint32_t>(order.size()), centres);
    built = true;
    Refit();
}

uint32_t D3DXIntersectCache::BuildNode(uint32_t begin, uint32_t end, std::vector<float>& centres) {
    const auto index = static_cast<uint32_t>(nodes.size());
    nodes.push_back(Node{});
    if (end - begin <= LEAF_FACES) {
        nodes[index].first = begin;
        nodes[index].count = end - begin;
        return index;
    }
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (uint32_t i = begin; i < end; ++i)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], centres[3 * order[i] + k]);
            hi[k] = std::max(hi[k], centres[3 * order[i] + k]);
        }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (hi[k] - lo[k] > hi[axis] - lo[axis])
            axis = k;
    const uint32_t middle = begin + (end - begin) / 2;
    std::nth_element(
        order.begin() + begin, order.begin() + middle, order.begin() + end,
        [&](uint32_t a, uint32_t b) { return centres[3 * a + axis] < centres[3 * b + axis]; });
    BuildNode(begin, middle, centres);
    const uint32_t right = BuildNode(middle, end, centres);
    nodes[index].first = right;
    nodes[index].count = 0;
    return index;
}

// Children follow their parent in the array, so a backward pass sees children first.
void D3DXIntersectCache::Refit() {
    for (size_t n = nodes.size(); n-- > 0;) {
        Node& node = nodes[n];
        float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
        if (node.count > 0) {
            for (uint32_t i = node.first; i < node.first + node.count; ++i)
                for (int corner = 0; corner < 3; ++corner) {
                    const RayVec3& p = positions[faceIndices[3 * order[i] + corner]];
                    const float c[3] = {p.x, p.y, p.z};
                    for (int k = 0; k < 3; ++k) {
                        lo[k] = std::min(lo[k], c[k]);
                        hi[k] = std::max(hi[k], c[k]);
                    }
                }
            for (int k = 0; k < 3; ++k) {
                const float pad = 1e-5f * (1.0f + std::max(std::fabs(lo[k]), std::fabs(hi[k])));
                lo[k] -= pad;
                hi[k] += pad;
            }
        } else {
            const Node& left = nodes[n + 1];
            const Node& right = nodes[node.first];
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(left.lo[k], right.lo[k]);
                hi[k] = std::max(left.hi[k], right.hi[k]);
            }
        }
        std::memcpy(node.lo, lo, sizeof lo);
        std::memcpy(node.hi, hi, sizeof hi);
    }
}

void D3DXIntersectCache::Cast(const RayVec3& origin, const RayVec3& dir,
                              std::vector<RayHit>& hits) const {
    const float dirLengthSq = RayDot(dir, dir);
    if (nodes.empty() || !(dirLengthSq > 0.0f))
        return;
    const float o[3] = {origin.x, origin.y, origin.z};
    const float d[3] = {dir.x, dir.y, dir.z};
    const size_t firstHit = hits.size();
    uint32_t stack[128];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = nodes[stack[--top]];
        // Slab test over the part of the ray at distance 0 or more.
        float near = 0.0f, far = INFINITY;
        bool inside = true;
        for (int k = 0; k < 3 && inside; ++k) {
            if (d[k] == 0.0f) {
                inside = o[k] >= node.lo[k] && o[k] <= node.hi[k];
                continue;
            }
            float t0 = (node.lo[k] - o[k]) / d[k], t1 = (node.hi[k] - o[k]) / d[k];
            if (t0 > t1)
                std::swap(t0, t1);
            near = std::max(near, t0);
            far = std::min(far, t1);
            inside = near <= far;
        }
        if (!inside)
            continue;
        if (node.count == 0) {
            if (top + 2 > 128)
                continue; // deeper than any hierarchy of 2^64 faces; cannot happen
            stack[top++] = node.first;
            stack[top++] = static_cast<uint32_t>(&node - nodes.data()) + 1;
            continue;
        }
        for (uint32_t i = node.first; i < node.first + node.count; ++i) {
            const uint32_t f = order[i];
            float u, v, dist;
            if (RayHitsTriangle(origin, dir, dirLengthSq, positions[faceIndices[3 * f]],
                                positions[faceIndices[3 * f + 1]],
                                positions[faceIndices[3 * f + 2]], u, v, dist))
                hits.push_back({f, u, v, dist});
        }
    }
    std::sort(hits.begin() + static_cast<long>(firstHit), hits.end(),
              [](const RayHit& a, const RayHit& b) { return a.face < b.face; });
}
