// Seams of a model's surface: open edges (an edge only one triangle uses) and T-junctions
// (a corner of one piece lying inside the edge of another, where the rasteriser leaves
// sparkling cracks), and the split that closes T-junctions by giving the triangles on both
// sides of such an edge the same corners. Corners are compared by position, so pieces made
// separately meet when their corners coincide.
#pragma once

#include "mesh.h"

#include <cstddef>
#include <string>
#include <vector>

namespace levelbuild {

// Corners closer than this are the same point; a corner closer than this to an edge lies on
// it. Small enough that the diagonal of a long, thin face (a window frame's 5 cm side) does
// not pass for an edge through the corners beside it.
constexpr float SEAM_TOLERANCE = 2e-4f;

struct SeamCount {
    size_t openEdges = 0;
    size_t tJunctions = 0; // pairs of an edge and a corner lying inside it
};

// The corner point of every vertex of mesh, numbered from 0: vertices closer than
// SEAM_TOLERANCE to the first vertex of a point share that point.
std::vector<uint32_t> WeldCorners(const Mesh& mesh);

// Counts the open edges and T-junctions of the triangles of mesh, leaving out those in
// [skipFirst, skipEnd) (pieces that move, such as the doors' boxes).
SeamCount CountSeams(const Mesh& mesh, size_t skipFirst = 0, size_t skipEnd = 0);

// The triangles on both sides of one T-junction: those using the edge and those with a
// corner at the point inside it.
struct TJunctionSides {
    std::vector<size_t> edge, point;
};

// Every T-junction of mesh, counted as CountSeams counts them.
std::vector<TJunctionSides> FindTJunctions(const Mesh& mesh);

// Splits every triangle with corners of other triangles inside its edges so that both sides
// of each edge share corners. The new triangles keep their triangle's place and material,
// and its flag where flags is given (flags is indexed by triangle and kept in step).
// Returns the number of triangles split.
size_t SplitTJunctions(Mesh& mesh, std::vector<bool>* flags = nullptr);

// One line for the build log: the counts against what is allowed.
std::string SeamReport(const std::string& model, SeamCount found, SeamCount allowed);

} // namespace levelbuild
