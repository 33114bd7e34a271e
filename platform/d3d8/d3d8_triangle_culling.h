// Leaving out the parts of a large indexed triangle list that cannot reach the screen. A draw's
// triangles are taken in chunks, each with the box around its corners; a chunk whose box lies
// wholly outside one side of the view volume produces no pixel, so only the other chunks are
// sent, in their order, and the picture stays exactly the same. On a software rasteriser the
// vertex work of a whole level drawn every frame is most of the submitting thread's time.
//
// Needs no OpenGL: the device hands in the bytes of its buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// A byte range [first, second) of a buffer.
using D3D8ByteRange = std::pair<size_t, size_t>;

// Indices [firstIndex, firstIndex + indexCount) of the index buffer.
struct D3D8IndexRun {
    uint32_t firstIndex;
    uint32_t indexCount;
};

// What one indexed triangle-list draw reads.
struct D3D8CullingSource {
    const uint8_t* vertices = nullptr; // positions: three floats at the start of each vertex
    uint32_t stride = 0;
    uint32_t vertexBufferId = 0;
    // Counts the vertex buffer's changes; changed holds the ranges of the latest one.
    uint64_t vertexGeneration = 0;
    const std::vector<D3D8ByteRange>* changed = nullptr;
    const uint8_t* indices = nullptr;
    uint32_t indexSize = 2;
    uint64_t indexGeneration = 0;
    int baseVertex = 0;
};

class D3D8TriangleCulling {
  public:
    // Triangles per chunk: fewer cull finer but make more runs to send.
    static constexpr uint32_t CHUNK_TRIANGLES = 32;
    // Smaller draws are sent whole: testing them costs more than it saves.
    static constexpr uint32_t SMALLEST_CULLED_TRIANGLES = 4 * CHUNK_TRIANGLES;

    // Fills runs with the parts of the indexCount indices from startIndex whose chunks may
    // be visible through clip, the product of the world, view and projection matrices
    // (row vectors, Direct3D's clip volume). Consecutive visible chunks are one run. Returns
    // the number of triangles left out. The caller has checked that every index read lies
    // within both buffers.
    uint32_t VisibleRuns(const D3D8CullingSource& source, uint32_t startIndex, uint32_t indexCount,
                         const float clip[16], std::vector<D3D8IndexRun>& runs);

  private:
    struct Chunk {
        uint32_t firstIndex;
        uint32_t indexCount;
        uint32_t lowVertex; // the corners' vertex numbers, base vertex included
        uint32_t highVertex;
        std::array<float, 3> low;
        std::array<float, 3> high;
    };
    struct Draw {
        std::vector<Chunk> chunks;
        uint64_t vertexGeneration = 0;
        uint64_t indexGeneration = 0;
    };
    using DrawKey = std::array<uint64_t, 3>;
    // Draws of other ranges are rare; past this many the cache starts again.
    static constexpr size_t MOST_DRAWS = 256;

    void Build(const D3D8CullingSource& source, uint32_t startIndex, uint32_t indexCount,
               Draw& draw) const;
    void Bound(const D3D8CullingSource& source, Chunk& chunk) const;
    void Refresh(const D3D8CullingSource& source, Draw& draw) const;

    std::map<DrawKey, Draw> draws;
};
