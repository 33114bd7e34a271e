// The steps AssembleModels is made of that have a file of their own: taking parts of meshes
// out, filling the fixed counts, choosing hull pieces, compacting materials and the
// collectible's model.
#pragma once

#include "level_builder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace levelbuild {

// The given triangles of source as a mesh of their own, vertices in first-use order.
Mesh Extract(const Mesh& source, const std::vector<size_t>& triangles);

// Adds filler stones of the given material to before until it has exactly wantVertices and
// wantFaces; returns a line for the build log. Throws when the counts cannot be met.
std::string FillCounts(const LevelScene& scene, Mesh& before, int material, uint32_t wantVertices,
                       uint32_t wantFaces);

// Connected pieces of a mesh (triangles sharing vertices), ordered by their first triangle.
std::vector<std::vector<size_t>> Pieces(const Mesh& mesh);

// Which pieces, by vertex count, add up to exactly want; throws when none do.
std::vector<bool> ChooseHullPieces(const std::vector<size_t>& sizes, size_t want);

// Gives mesh its own material list in the order of rank and sorts its triangles by material.
std::vector<Material> CompactMaterials(Mesh& mesh, const std::vector<Material>& all,
                                       const std::vector<int>& rank);

// Opaque grey for a face with normal n lit from light.
uint32_t Grey(Vec3 n, Vec3 light);

// The collectible: a small floating crystal, pre-shaded.
Mesh MakeCollectible(int material);

} // namespace levelbuild
