// A bounding-volume hierarchy over a mesh's faces, kept with the mesh so the engine's many
// ray casts per frame need not test every face. Before each cast it compares the positions
// and indices in the buffers with its own copy: moved vertices refit the boxes, changed
// indices rebuild the hierarchy, so casts always see what the engine last wrote.
#pragma once

#include "d3dx/d3dx_ray.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class D3DXIntersectCache {
  public:
    // Brings the copy up to date with the buffers (vertex stride in bytes, 16- or 32-bit
    // indices, three per face).
    void Sync(const uint8_t* vertices, uint32_t stride, uint32_t vertexCount,
              const uint8_t* indices, bool wideIndices, uint32_t faceCount);

    // Appends every hit of the ray, in face order.
    void Cast(const RayVec3& origin, const RayVec3& dir, std::vector<RayHit>& hits) const;

  private:
    struct Node {
        float lo[3], hi[3];
        uint32_t first; // leaf: first entry of order; inner: index of the right child
        uint32_t count; // faces in a leaf, 0 for an inner node (left child follows it)
    };

    void Build();
    uint32_t BuildNode(uint32_t begin, uint32_t end, std::vector<float>& centres);
    void Refit();
    bool FaceValid(uint32_t face) const;

    std::vector<RayVec3> positions;
    std::vector<uint8_t> rawIndices;   // the index buffer as last seen
    std::vector<uint32_t> faceIndices; // three per face
    std::vector<uint32_t> order;       // faces grouped by leaf
    std::vector<Node> nodes;
    bool built = false;
};
