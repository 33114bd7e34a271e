// Writes a mesh as a text X file ("xof 0303txt 0032"): one frame holding one mesh with the
// chosen vertex components and a material list, faces in the mesh's order.
#pragma once

#include "mesh.h"

#include <string>
#include <vector>

namespace levelbuild {

// Writes mesh to path. Triangle materials index into materials; texture file names are
// stored as texturePrefix + texture with backslashes. False on failure or on a model whose
// vertices do not fit 16-bit indices.
bool WriteXFile(const std::string& path, const std::string& frameName, const Mesh& mesh,
                const std::vector<Material>& materials, const VertexLayout& layout,
                const std::string& texturePrefix);

// Shortest decimal text that reads back as exactly the same float.
std::string FloatText(float value);

} // namespace levelbuild
