// Ray casts against the level's own triangles for the light bake: a bounding volume
// hierarchy built once over every occluding triangle, with cut-out triangles (leaves,
// railings) that let rays pass where their texture is transparent.
#pragma once

#include "image_io.h"
#include "mesh.h"

#include <cstdint>
#include <vector>

namespace levelbuild {

class RayScene {
  public:
    // Adds every triangle of a mesh as an occluder. A triangle whose material has an entry in
    // cutouts (non-null) blocks light only where that image's alpha is at least half.
    void AddMesh(const Mesh& mesh, const std::vector<const Image*>& cutouts = {});
    // Builds the hierarchy; call once after the last AddMesh. The same triangles in the same
    // order always give the same tree.
    void Build();

    // Distance to the nearest opaque hit within (0, maxDistance), or a negative value.
    float Nearest(Vec3 origin, Vec3 direction, float maxDistance) const;
    // True when anything opaque lies within (0, maxDistance) along the ray.
    bool Blocked(Vec3 origin, Vec3 direction, float maxDistance) const;

    size_t TriangleCount() const { return triangles_.size(); }

  private:
    struct Tri {
        Vec3 p0, e1, e2;
        float u0, v0, du1, dv1, du2, dv2; // texture coordinates for cut-outs
        const Image* cutout;
    };
    struct Node {
        Vec3 lo, hi;
        uint32_t first, count; // leaf: triangle range; inner: count 0, first = right child
    };

    float Trace(Vec3 origin, Vec3 direction, float maxDistance, bool anyHit) const;
    bool HitOpaque(const Tri& t, Vec3 origin, Vec3 direction, float maxDistance,
                   float& distance) const;
    uint32_t BuildNode(uint32_t first, uint32_t count, std::vector<Vec3>& centres);

    std::vector<Tri> triangles_;
    std::vector<Node> nodes_;
};

} // namespace levelbuild
