// Per-vertex data that FVFData and DeclData objects carry beside a Mesh's own templates, as
// exporters write what MeshNormals, MeshTextureCoords and MeshVertexColors cannot hold (more
// texture coordinate sets, sets of other sizes, a specular colour, point sizes). Only the
// elements a fixed-function vertex format can hold are kept.
#pragma once

#include "d3dx/x_parser.h"

#include <cstdint>
#include <string>
#include <vector>

enum class XVertexUsage { Normal, PointSize, Diffuse, Specular, TexCoord };

struct XVertexElement {
    XVertexUsage usage = XVertexUsage::TexCoord;
    uint32_t set = 0;             // the texture coordinate set of a TexCoord element
    uint32_t components = 0;      // DWORDs per vertex: floats, or one packed ARGB colour
    std::vector<uint32_t> values; // components DWORDs for each vertex of the mesh
};

// FVFData or DeclData.
bool IsXVertexData(const XNode& node);

// Reads one FVFData or DeclData object of a Mesh with vertexCount vertices and appends its
// elements that a fixed-function format can hold; tangents, binormals, blend weights and
// other types are read and dropped. Vertices past the data get zeros and data past the
// vertices is dropped, as texture coordinates are. False with a reason for malformed data.
bool ReadXVertexData(const XNode& node, uint32_t vertexCount, std::vector<XVertexElement>& elements,
                     std::string& error);
