// Writes a mesh as a binary X file ("xof 0303bin 0032"): the same frame, mesh, components and
// materials as the text writer, as tokens and raw 32-bit numbers, so that the game reads its
// models without turning decimal text back into floats.
#pragma once

#include "mesh.h"

#include <string>
#include <vector>

namespace levelbuild {

// Writes mesh to path; the same arguments, limits and result as WriteXFile.
bool WriteBinaryXFile(const std::string& path, const std::string& frameName, const Mesh& mesh,
                      const std::vector<Material>& materials, const VertexLayout& layout,
                      const std::string& texturePrefix);

} // namespace levelbuild
