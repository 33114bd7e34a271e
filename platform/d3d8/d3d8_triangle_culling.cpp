// Chunk boxes kept per draw range and refreshed where the vertices changed, tested against the
// six sides of the view volume widened by a margin, so that rounding can never leave out a
// triangle that would have drawn. The half-pixel shift of the layer's vertex program needs no
// margin: it moves the pixel centres with the volume, and a triangle wholly beyond a side
// covers no centre of the pixels inside it.
#include "d3d8/d3d8_triangle_culling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The view volume widened by this share of w on every side: far more than the rounding of
// the matrix products here and in the vertex program.
constexpr float MARGIN = 1e-3f;

struct Plane {
    float n[3];
    float d;
};

// Sides of Direct3D's clip volume, -w <= x <= w, -w <= y <= w, 0 <= z <= w, as planes in the
// vertices' own space: clip coordinates are rows times the columns of clip.
std::array<Plane, 6> ClipPlanes(const float clip[16]) {
    auto column = [&](int c, int row) { return clip[row * 4 + c]; };
    auto plane = [&](float wScale, int axis, float sign) {
        Plane p{};
        for (int r = 0; r < 4; ++r) {
            const float value = wScale * column(3, r) + sign * column(axis, r);
            if (r < 3)
                p.n[r] = value;
            else
                p.d = value;
        }
        return p;
    };
    const float wide = 1.0f + MARGIN;
    return {plane(wide, 0, 1.0f),  plane(wide, 0, -1.0f),  plane(wide, 1, 1.0f),
            plane(wide, 1, -1.0f), plane(MARGIN, 2, 1.0f), plane(wide, 2, -1.0f)};
}

// True when the box lies wholly on the outer side of one plane, by more than rounding.
bool Outside(const std::array<Plane, 6>& planes, const std::array<float, 3>& low,
             const std::array<float, 3>& high) {
    for (const Plane& p : planes) {
        float nearest = p.d, scale = std::fabs(p.d);
        for (int i = 0; i < 3; ++i) {
            const float centre = 0.5f * (low[i] + high[i]);
            const float extent = 0.5f * (high[i] - low[i]);
            nearest += p.n[i] * centre + std::fabs(p.n[i]) * extent;
            scale += std::fabs(p.n[i]) * (std::fabs(centre) + extent);
        }
        if (nearest < -1e-5f * scale)
            return true;
    }
    return false;
}

uint32_t IndexAt(const uint8_t* indices, uint32_t size, uint32_t at) {
    if (size == 4) {
        uint32_t value;
        std::memcpy(&value, indices + static_cast<size_t>(at) * 4, 4);
        return value;
    }
    uint16_t value;
    std::memcpy(&value, indices + static_cast<size_t>(at) * 2, 2);
    return value;
}

} // namespace

void D3D8TriangleCulling::Bound(const D3D8CullingSource& source, Chunk& chunk) const {
    const float inf = std::numeric_limits<float>::infinity();
    chunk.low = {inf, inf, inf};
    chunk.high = {-inf, -inf, -inf};
    chunk.lowVertex = std::numeric_limits<uint32_t>::max();
    chunk.highVertex = 0;
    for (uint32_t i = 0; i < chunk.indexCount; ++i) {
        const uint32_t vertex = static_cast<uint32_t>(
            static_cast<int64_t>(IndexAt(source.indices, source.indexSize, chunk.firstIndex + i)) +
            source.baseVertex);
        chunk.lowVertex = std::min(chunk.lowVertex, vertex);
        chunk.highVertex = std::max(chunk.highVertex, vertex);
        float position[3];
        std::memcpy(position, source.vertices + static_cast<size_t>(vertex) * source.stride,
                    sizeof position);
        for (int k = 0; k < 3; ++k) {
            // A corner that is not a number makes the box unbounded: never left out.
            if (std::isnan(position[k])) {
                chunk.low[k] = -inf;
                chunk.high[k] = inf;
                continue;
            }
            chunk.low[k] = std::min(chunk.low[k], position[k]);
            chunk.high[k] = std::max(chunk.high[k], position[k]);
        }
    }
}

void D3D8TriangleCulling::Build(const D3D8CullingSource& source, uint32_t startIndex,
                                uint32_t indexCount, Draw& draw) const {
    draw.chunks.clear();
    const uint32_t chunkIndices = CHUNK_TRIANGLES * 3;
    for (uint32_t at = 0; at < indexCount; at += chunkIndices) {
        Chunk chunk{};
        chunk.firstIndex = startIndex + at;
        chunk.indexCount = std::min(chunkIndices, indexCount - at);
        Bound(source, chunk);
        draw.chunks.push_back(chunk);
    }
    draw.vertexGeneration = source.vertexGeneration;
    draw.indexGeneration = source.indexGeneration;
}

void D3D8TriangleCulling::Refresh(const D3D8CullingSource& source, Draw& draw) const {
    const std::vector<D3D8ByteRange>& changed = *source.changed;
    for (Chunk& chunk : draw.chunks) {
        const size_t first = static_cast<size_t>(chunk.lowVertex) * source.stride;
        const size_t end = static_cast<size_t>(chunk.highVertex) * source.stride + 12;
        const bool touched = std::any_of(changed.begin(), changed.end(), [&](const auto& range) {
            return range.first < end && first < range.second;
        });
        if (touched)
            Bound(source, chunk);
    }
    draw.vertexGeneration = source.vertexGeneration;
}

uint32_t D3D8TriangleCulling::VisibleRuns(const D3D8CullingSource& source, uint32_t startIndex,
                                          uint32_t indexCount, const float clip[16],
                                          std::vector<D3D8IndexRun>& runs) {
    runs.clear();
    const DrawKey key = {(static_cast<uint64_t>(startIndex) << 32) | indexCount,
                         (static_cast<uint64_t>(source.vertexBufferId) << 32) | source.stride,
                         static_cast<uint64_t>(static_cast<int64_t>(source.baseVertex))};
    auto found = draws.find(key);
    if (found == draws.end()) {
        if (draws.size() >= MOST_DRAWS)
            draws.clear();
        found = draws.emplace(key, Draw{}).first;
        Build(source, startIndex, indexCount, found->second);
    }
    Draw& draw = found->second;
    if (draw.indexGeneration != source.indexGeneration) {
        Build(source, startIndex, indexCount, draw);
    } else if (draw.vertexGeneration + 1 == source.vertexGeneration && source.changed != nullptr) {
        Refresh(source, draw);
    } else if (draw.vertexGeneration != source.vertexGeneration) {
        Build(source, startIndex, indexCount, draw);
    }

    const std::array<Plane, 6> planes = ClipPlanes(clip);
    uint32_t leftOut = 0;
    for (const Chunk& chunk : draw.chunks) {
        if (Outside(planes, chunk.low, chunk.high)) {
            leftOut += chunk.indexCount / 3;
            continue;
        }
        if (!runs.empty() && runs.back().firstIndex + runs.back().indexCount == chunk.firstIndex)
            runs.back().indexCount += chunk.indexCount;
        else
            runs.push_back({chunk.firstIndex, chunk.indexCount});
    }
    return leftOut;
}
