// The chunks of a large draw left out as out of view: only those wholly beyond one side of the
// view volume, and the boxes follow vertices and indices rewritten between draws.
#include "d3d8/d3d8_triangle_culling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t CHUNK = D3D8TriangleCulling::CHUNK_TRIANGLES;

struct Vertex {
    float x, y, z;
    uint32_t colour;
};

// Clusters of CHUNK small triangles, one cluster per chunk, each around its own centre.
struct Clusters {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    uint64_t vertexGeneration = 1;
    uint64_t indexGeneration = 1;
    std::vector<D3D8ByteRange> changed;

    void Add(float x, float y, float z, float size = 0.1f) {
        for (uint32_t t = 0; t < CHUNK; ++t) {
            const auto first = static_cast<uint16_t>(vertices.size());
            vertices.push_back({x, y, z, 0});
            vertices.push_back({x + size, y, z, 0});
            vertices.push_back({x, y + size, z, 0});
            indices.insert(indices.end(), {first, static_cast<uint16_t>(first + 1),
                                           static_cast<uint16_t>(first + 2)});
        }
    }
    // Moves cluster c to a new centre and records the write as one change.
    void Move(uint32_t c, float x, float y, float z) {
        for (uint32_t v = c * CHUNK * 3; v < (c + 1) * CHUNK * 3; ++v) {
            const float dx = vertices[v].x - vertices[c * CHUNK * 3].x;
            const float dy = vertices[v].y - vertices[c * CHUNK * 3].y;
            vertices[v] = {x + dx, y + dy, z, 0};
        }
        changed = {{c * CHUNK * 3 * sizeof(Vertex), (c + 1) * CHUNK * 3 * sizeof(Vertex)}};
        ++vertexGeneration;
    }
    D3D8CullingSource Source() const {
        D3D8CullingSource s;
        s.vertices = reinterpret_cast<const uint8_t*>(vertices.data());
        s.stride = sizeof(Vertex);
        s.vertexBufferId = 7;
        s.vertexGeneration = vertexGeneration;
        s.changed = &changed;
        s.indices = reinterpret_cast<const uint8_t*>(indices.data());
        s.indexSize = 2;
        s.indexGeneration = indexGeneration;
        return s;
    }
};

// Looking along +z from the origin, 90 degrees wide and high, near 1, far 100 (Direct3D's
// left-handed projection, row vectors).
void Camera(float clip[16]) {
    const float zn = 1.0f, zf = 100.0f;
    std::memset(clip, 0, 16 * sizeof(float));
    clip[0] = 1.0f;
    clip[5] = 1.0f;
    clip[10] = zf / (zf - zn);
    clip[11] = 1.0f;
    clip[14] = -zn * zf / (zf - zn);
}

std::vector<std::pair<uint32_t, uint32_t>> Pairs(const std::vector<D3D8IndexRun>& runs) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const D3D8IndexRun& run : runs)
        out.emplace_back(run.firstIndex, run.indexCount);
    return out;
}

constexpr uint32_t CHUNK_INDICES = CHUNK * 3;

} // namespace

TEST(D3D8TriangleCulling, LeavesOutOnlyChunksWhollyBeyondOneSide) {
    Clusters c;
    c.Add(0, 0, 10);       // 0: straight ahead
    c.Add(-50, 0, 10);     // 1: far to the left
    c.Add(0, 0, -5);       // 2: behind the eye
    c.Add(0, 0, 150);      // 3: beyond the far plane
    c.Add(-10.05f, 0, 10); // 4: across the left edge
    c.Add(0, 30, 10);      // 5: above
    c.Add(10.005f, 0, 10); // 6: only just beyond the right edge, within rounding's margin
    c.Add(0, 0, 0.5f);     // 7: between the eye and the near plane
    c.Add(3, 3, 50);       // 8: ahead, further away
    // 9: one corner ahead, the rest far away: the chunk's box reaches into the view.
    c.Add(-80, -80, 10);
    c.vertices.back() = {0, 0, 10, 0};
    float clip[16];
    Camera(clip);
    D3D8TriangleCulling culling;
    std::vector<D3D8IndexRun> runs;
    const uint32_t leftOut =
        culling.VisibleRuns(c.Source(), 0, static_cast<uint32_t>(c.indices.size()), clip, runs);
    EXPECT_EQ(leftOut, 5 * CHUNK);
    using P = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(Pairs(runs), (std::vector<P>{{0, CHUNK_INDICES},
                                           {4 * CHUNK_INDICES, CHUNK_INDICES},
                                           {6 * CHUNK_INDICES, CHUNK_INDICES},
                                           {8 * CHUNK_INDICES, 2 * CHUNK_INDICES}}));

    // A draw of part of the buffer makes chunks from its own first index.
    const uint32_t start = 3 * CHUNK_INDICES + 3;
    culling.VisibleRuns(c.Source(), start, 2 * CHUNK_INDICES, clip, runs);
    EXPECT_EQ(Pairs(runs), (std::vector<P>{{start, 2 * CHUNK_INDICES}}));
}

TEST(D3D8TriangleCulling, FollowsVerticesAndIndicesRewrittenBetweenDraws) {
    Clusters c;
    for (int k = 0; k < 4; ++k)
        c.Add(-50, 0, 10); // all out of view
    float clip[16];
    Camera(clip);
    D3D8TriangleCulling culling;
    std::vector<D3D8IndexRun> runs;
    const auto count = static_cast<uint32_t>(c.indices.size());
    EXPECT_EQ(culling.VisibleRuns(c.Source(), 0, count, clip, runs), 4 * CHUNK);
    EXPECT_TRUE(runs.empty());

    // One change since the last draw: the chunks it touched are measured again.
    c.Move(2, 0, 0, 10);
    EXPECT_EQ(culling.VisibleRuns(c.Source(), 0, count, clip, runs), 3 * CHUNK);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].firstIndex, 2 * CHUNK_INDICES);

    // Several changes since the last draw: everything is measured again.
    c.Move(0, 0, 0, 20);
    c.Move(3, 1, 1, 20);
    EXPECT_EQ(culling.VisibleRuns(c.Source(), 0, count, clip, runs), 1 * CHUNK);

    // Indices rewritten to use the vertices of cluster 2 throughout.
    for (uint32_t i = 0; i < CHUNK_INDICES; ++i)
        c.indices[CHUNK_INDICES + i] = c.indices[2 * CHUNK_INDICES + i];
    ++c.indexGeneration;
    EXPECT_EQ(culling.VisibleRuns(c.Source(), 0, count, clip, runs), 0u);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].indexCount, count);
}

TEST(D3D8TriangleCulling, NeverLeavesOutCornersThatAreNotNumbers) {
    Clusters c;
    c.Add(-50, 0, 10);
    c.vertices[4].x = std::nanf("");
    float clip[16];
    Camera(clip);
    D3D8TriangleCulling culling;
    std::vector<D3D8IndexRun> runs;
    EXPECT_EQ(culling.VisibleRuns(c.Source(), 0, CHUNK_INDICES, clip, runs), 0u);
    EXPECT_EQ(runs.size(), 1u);
}
