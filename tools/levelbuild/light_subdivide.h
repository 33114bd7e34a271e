// Splits level triangles where the light changes across them, so that vertex colours can
// follow a shadow's edge or a lamp's pool. Edges are split by where their ends lie, not by
// which vertices they use, so two faces that meet along an edge split it alike and no crack
// opens.
#pragma once

#include "light_bake.h"
#include "mesh.h"

#include <functional>
#include <vector>

namespace levelbuild {

struct SubdivideOptions {
    // Every round adds faces the renderer pays for in every frame; three rounds take the
    // 1 m cells down to 12.5 cm where a shadow crosses them.
    int rounds = 3;
    float threshold = 0.12f;    // light difference that asks for a split
    float shortestEdge = 0.15f; // metres; shorter edges are never split
    size_t vertexLimit = 60000; // stop splitting before the mesh reaches this many vertices
};

// Splits the triangles whose entry in frozen is false (entries past its end count as
// not frozen). An edge that a frozen triangle also uses is never split; edges count as one
// where their ends lie within SEAM_TOLERANCE. Triangles thinner than a few tolerances, and
// those whose cut would open a T-junction (a new corner on a piece that overlaps, or meets
// along a line without sharing the edge), stay whole. New vertices and
// triangles are appended; a split triangle keeps its place for its first part, so frozen
// triangles keep their indices. light gives the light at a point with a normal.
// Returns the number of triangles split.
size_t SubdivideByLight(Mesh& mesh, const std::vector<bool>& frozen,
                        const std::function<Rgb(Vec3, Vec3)>& light,
                        const SubdivideOptions& options = {});

} // namespace levelbuild
