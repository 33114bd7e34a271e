// One Mesh object of an X file as the mesh builder reads it, and the step that merges all of
// a file's meshes into one vertex format and one buffer.
#pragma once

#include "d3dx/x_mesh_builder.h"
#include "d3dx/x_vertex_data.h"

#include <vector>

struct XFloat3 {
    float x, y, z;
    bool operator==(const XFloat3& o) const { return x == o.x && y == o.y && z == o.z; }
};

// One Mesh object after splitting and triangulation, in its frame's space.
struct XMeshPart {
    bool hasNormals = false, hasColors = false, hasUV = false;
    std::vector<XFloat3> positions;
    std::vector<XFloat3> normals;
    std::vector<DWORD> colors;
    std::vector<float> uvs; // two per vertex
    // What FVFData and DeclData add beyond the elements above, one entry per element.
    std::vector<XVertexElement> extras;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> attributes;
    std::vector<XMaterialData> materials;
};

// Writes the parts in order into mesh: the vertex format every element of any part calls
// for, the vertices, the indices moved by the vertices before them, and the materials.
void MergeXMeshParts(const std::vector<XMeshPart>& parts, XMeshData& mesh);
